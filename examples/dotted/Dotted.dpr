program Dotted;

{ Units with dotted names: each registered under the name written before
  "in", found by its path, linked from the uses clauses and from names
  qualified by it. A classic reading registers only the first unit. }

uses
  Plain in 'Plain.pas',
  Corva.Core.Strings in 'src\Corva.Core.Strings.pas',
  Corva.Core.Lists in 'src/Corva.Core.Lists.pas',
  {$IFDEF NEVER_DEFINED}
  Corva.Missing in 'src\Corva.Missing.pas',
  {$ENDIF}
  Corva.App in 'Corva.App'; { no extension: read as Corva.App.pas }

begin
  Corva.App.Run;
end.
