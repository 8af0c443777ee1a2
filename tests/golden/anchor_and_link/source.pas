procedure Draw;
begin
  Shapes.Area(1);
end;
