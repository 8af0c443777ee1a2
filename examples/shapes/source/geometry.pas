unit Geometry;

{ Squares. The project names this file Source\Geometry.pas. }

interface

uses
  SHAPES;

type
  TSquare = class(TShape)
  private
    FSide: Double;
  public
    constructor Create(ASide: Double);
    function Area: Double; override;
  end;

function Perimeter(Side: Double): Double;
procedure Scale(var Side: Double; Factor: Double);

implementation

constructor TSquare.Create(ASide: Double);
begin
  inherited Create;
  FSide := ASide;
end;

function TSquare.Area: Double;
begin
  Result := Shapes.Area(FSide, FSide); { a qualified call }
end;

function Perimeter(Side: Double): Double;
begin
  Result := 4 * Side;
end;

procedure Scale(var Side: Double; Factor: Double);
begin
  Side := Side * Factor;
end;

end.
