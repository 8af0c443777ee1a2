{ Report: prints an inventory line by line and a short summary. }
unit Report;

{$DEFINE VERBOSE}

interface

uses
  Inventory;

procedure PrintReport(AInventory: TInventory);
procedure PrintSummary(AInventory: TInventory);
function FormatArea(Value: Double): string;

implementation

uses
  SysUtils, Geometry, Shapes;

{$IFDEF WIN32}
const
  Rule = '----------------------------------------';
{$ELSE}
const
  Rule = '========================================';
{$ENDIF}

function FormatArea(Value: Double): string;
begin
  Result := FormatFloat('0.00', ScaleLength(Value, DisplayUnit)) + ' ' +
    UnitSuffix(DisplayUnit) + #178;
end;

procedure PrintReport(AInventory: TInventory);
var
  I: Integer;
begin
  WriteLn('Inventory: ', AInventory.Title);
  WriteLn(Rule);
  for I := 0 to AInventory.Count - 1 do
    WriteLn(I + 1: 3, '. ', AInventory.Item(I).Describe);
  {$IFDEF VERBOSE}
  WriteLn('(', AInventory.Count, ' of ', MaxItems, ' places used)');
  {$ENDIF}
end;

procedure PrintSummary(AInventory: TInventory);
var
  Biggest: TShape;
begin
  WriteLn(Rule);
  WriteLn('Total area: ', FormatArea(AInventory.TotalArea));
  Biggest := Inventory.BiggestShape(AInventory);
  if Biggest <> nil then
  begin
    WriteLn('Largest: ', Biggest.Name, ', perimeter ',
      FormatFloat('0.00', Biggest.Perimeter));
    (* How far the largest shape stands from the workshop's corner. *)
    WriteLn('Distance from the corner: ',
      FormatFloat('0.00', Geometry.Distance(MakePoint(0, 0), Biggest.Origin)));
  end;
end;

end.
