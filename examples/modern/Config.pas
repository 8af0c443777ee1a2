unit Config;

interface

{$I settings.inc}

const
  Greeting = 'Hello from the modern demo';
{$IFDEF NARROW_POINTERS}
  PointerBits = 32;
{$ELSE}
  PointerBits = 64;
{$ENDIF}
  Million = 1_000_000;
  Mask = %0000_1111;
  Rights = &755;
  CrLf = #13#$0A;
  Quoted = 'It''s '#9'tabbed';

procedure ShowSettings;

implementation

(*$IFDEF OLD_COMPILER*)
This text is switched off, so the parser never sees it.
(*$ENDIF*)

procedure ShowSettings;
var
  &Type: Integer;
  Größe: Integer;
begin
  &Type := PointerBits;
  Größe := Million div 1_000;
  {$IFDEF DEBUG}
    {$IF Defined(TRACE) and not Defined(QUIET)}
  Writeln('tracing');
    {$IFEND}
  {$ENDIF}
  Writeln(Greeting, &Type, Größe, Mask, Rights, CrLf, Quoted);
end;

end.
