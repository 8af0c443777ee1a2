program ShapesDemo;

{ The links example: every interface routine has its body, so every link of
  the generated pages must land. The units are written here in other letter
  cases and with other names than their files have on disk. }

uses
  Forms,
  Shapes in 'Shapes.pas',
  Geometry in 'Source\Geometry.pas',
  Painter in 'Source\Paint.pas' { the name before "in" is not the file's },
  Summary in 'summary.pas';

{$R *.RES}

begin
  Application.Initialize;
  PrintSummary;
end.
