unit Styles;
{ brace comment } (* star comment *) // line comment
{$IFDEF WIN32}
interface
type
  TThing = class
  private
    FCount: Integer;
  end;
{$ENDIF}
const
  Name = 'text'#13#10;
  Ratio = 1.5e+3;
  Mask = $FF;
implementation
begin
  if Ratio >= 2 then Mask := Mask shl 1;
End.
