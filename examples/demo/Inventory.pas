{ Inventory: an owning list of shapes with a title. It frees its shapes
  when it is freed itself. }
unit Inventory;

interface

uses
  Classes, Shapes;

const
  MaxItems = 64;

type
  TInventory = class(TObject)
  private
    FTitle: string;
    FItems: TList;
  public
    constructor Create(const ATitle: string);
    destructor Destroy; override;
    procedure Add(AShape: TShape);
    function Count: Integer;
    function Item(Index: Integer): TShape;
    function TotalArea: Double;
    function Title: string;
  end;

function BiggestShape(AInventory: TInventory): TShape;

implementation

uses
  SysUtils;

constructor TInventory.Create(const ATitle: string);
begin
  inherited Create;
  FTitle := ATitle;
  FItems := TList.Create;
end;

destructor TInventory.Destroy;
var
  I: Integer;
begin
  for I := FItems.Count - 1 downto 0 do
    TShape(FItems[I]).Free;
  FItems.Free;
  inherited Destroy;
end;

procedure TInventory.Add(AShape: TShape);
begin
  if FItems.Count >= MaxItems then
    raise Exception.Create('The inventory ''' + FTitle + ''' is full');
  FItems.Add(AShape);
end;

function TInventory.Count: Integer;
begin
  Result := FItems.Count;
end;

function TInventory.Item(Index: Integer): TShape;
begin
  Result := TShape(FItems[Index]);
end;

function TInventory.TotalArea: Double;
var
  I: Integer;
begin
  Result := 0;
  for I := 0 to Count - 1 do
    Result := Result + Item(I).Area;
end;

function TInventory.Title: string;
begin
  Result := FTitle;
end;

function BiggestShape(AInventory: TInventory): TShape;
var
  I: Integer;
begin
  Result := nil;
  for I := 0 to AInventory.Count - 1 do
    Result := Shapes.Largest(Result, AInventory.Item(I)); // qualified call
end;

end.
