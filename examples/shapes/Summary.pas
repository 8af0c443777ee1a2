unit Summary;

{ The project names this file summary.pas. }

interface

uses
  shapes, Paint;

function TotalArea(Count: Integer): Double;
procedure PrintSummary;

implementation

uses
  Geometry;

function TotalArea(Count: Integer): Double;
var
  Area: Double; { a local variable named like a routine }
  I: Integer;
begin
  Area := 0;
  for I := 1 to Count do
    Area := Area + CircleArea(I);
  Result := Area + Shapes.Area(2, 3);
end;

procedure PrintSummary;
var
  Circle: TCircle;
begin
  Circle := TCircle.Create(1);
  try
    PaintAll(Circle);
    WriteLn(TotalArea(3) + Perimeter(1) + Circle.Area);
  finally
    Circle.Free;
  end;
end;

end.
