unit Paint;

{ The project lists this unit as Painter in 'Source\Paint.pas'. }

interface

uses
  Shapes;

procedure PaintAll(Shape: TShape);

implementation

procedure PaintAll(Shape: TShape);
var
  Side: Double;
begin
  Side := 2;
  Geometry.Scale(Side, 3); { Geometry is not in the uses clause }
  Shape.Draw; { a method call: Shape is no unit }
  Side := geometry.Perimeter(Side);
end;

end.
