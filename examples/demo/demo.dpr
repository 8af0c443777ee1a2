{ Demo: a small workshop inventory of shapes, printed as a text report.
  It exists so that Corvanet has a real project to turn into pages: every
  unit below is named with its path, and SysUtils comes from the library. }
program Demo;

{$IFDEF WIN32}
{$APPTYPE CONSOLE}
{$ENDIF}

uses
  SysUtils,
  Geometry in 'Geometry.pas',
  Shapes in 'Shapes.pas',
  Inventory in 'Inventory.pas',
  Report in 'Report.pas';

var
  Store: TInventory;
  Wheel: TCircle;

begin
  Store := TInventory.Create('Workshop');
  try
    Wheel := TCircle.Create('wheel', 2.5);
    Wheel.MoveTo(10, 4);
    Store.Add(Wheel);
    Store.Add(TRectangle.Create('plate', 4, 3));
    Store.Add(TRectangle.Create('strip', 12, 0.5));
    Store.Add(TCircle.Create('washer', 0.75));
    // The report lists every item; the summary names the largest one.
    PrintReport(Store);
    Report.PrintSummary(Store);
  finally
    Store.Free;
  end;
end.
