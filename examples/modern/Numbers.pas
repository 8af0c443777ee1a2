unit Numbers;

interface

procedure ShowNumbers;

implementation

uses
  Config {$I more_units}; // the rest of the list is included

{$IFDEF NEVER_DEFINED}
  {$I missing_but_switched_off.inc}
{$ENDIF}

procedure ShowNumbers;
var
  Total: Int64;
begin
  Total := $FFFF_FFFF + &17 + %1010;
  Writeln(Total);
end;

end.
