program ModernDemo;

{$I settings.inc}

uses
  Config in 'Config.pas',
{$IFDEF USE_TEXTS}
  Texts in 'Texts.pas',
{$ENDIF}
  Numbers in 'Numbers.pas';

begin
  ShowSettings;
  ShowNumbers;
end.
