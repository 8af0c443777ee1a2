{ Shapes: the drawable items of the inventory. Every shape knows its area,
  its perimeter and how to describe itself in one line. }
unit Shapes;

interface

uses
  Geometry;

type
  TShapeKind = (shPlain, shCircle, shRectangle);

  TShape = class(TObject)
  private
    FName: string;
    FOrigin: TPoint2;
  protected
    function GetKind: TShapeKind; virtual;
  public
    constructor Create(const AName: string);
    destructor Destroy; override;
    function Area: Double; virtual;
    function Perimeter: Double; virtual;
    function Describe: string; virtual;
    function Name: string;
    function Origin: TPoint2;
    procedure MoveTo(AX, AY: Double);
    property Kind: TShapeKind read GetKind;
  end;

  TCircle = class(TShape)
  private
    FRadius: Double;
  protected
    function GetKind: TShapeKind; override;
  public
    constructor Create(const AName: string; ARadius: Double);
    function Area: Double; override;
    function Perimeter: Double; override;
    function Describe: string; override;
  end;

  TRectangle = class(TShape)
  private
    FWidth, FHeight: Double;
  protected
    function GetKind: TShapeKind; override;
  public
    constructor Create(const AName: string; AWidth, AHeight: Double);
    function Area: Double; override;
    function Perimeter: Double; override;
  end;

function KindName(AKind: TShapeKind): string;
function Largest(A, B: TShape): TShape;

implementation

uses
  SysUtils;

{ TShape }

constructor TShape.Create(const AName: string);
begin
  inherited Create;
  FName := AName;
  FOrigin := MakePoint(0, 0);
end;

destructor TShape.Destroy;
begin
  FName := '';
  inherited Destroy;
end;

{ A plain shape has no extent; the descendants say what they cover. }
function TShape.GetKind: TShapeKind;
begin
  Result := shPlain;
end;

function TShape.Area: Double;
begin
  Result := 0;
end;

function TShape.Perimeter: Double;
begin
  Result := 0;
end;

function TShape.Describe: string;
begin
  Result := FName + ' (' + KindName(GetKind) + '), area ' +
    FormatFloat('0.00', ScaleLength(Area, DisplayUnit)) + ' ' +
    UnitSuffix(DisplayUnit) + #178;
end;

function TShape.Name: string;
begin
  Result := FName;
end;

function TShape.Origin: TPoint2;
begin
  Result := FOrigin;
end;

procedure TShape.MoveTo(AX, AY: Double);
begin
  FOrigin := Geometry.MakePoint(AX, AY);
end;

{ TCircle }

constructor TCircle.Create(const AName: string; ARadius: Double);
begin
  inherited Create(AName);
  FRadius := ARadius;
end;

function TCircle.GetKind: TShapeKind;
begin
  Result := shCircle;
end;

function TCircle.Area: Double;
begin
  Result := TwoPi / 2 * FRadius * FRadius;
end;

function TCircle.Perimeter: Double;
begin
  Result := Geometry.TwoPi * FRadius;
end;

function TCircle.Describe: string;
begin
  Result := inherited Describe + ', radius ' + FloatToStr(FRadius);
end;

{ TRectangle }

constructor TRectangle.Create(const AName: string; AWidth, AHeight: Double);
begin
  inherited Create(AName);
  FWidth := AWidth;
  FHeight := AHeight;
end;

function TRectangle.GetKind: TShapeKind;
begin
  Result := shRectangle;
end;

function TRectangle.Area: Double;
begin
  Result := FWidth * FHeight;
end;

function TRectangle.Perimeter: Double;
begin
  Result := 2 * (FWidth + FHeight);
end;

{ Unit-level helpers }

function KindName(AKind: TShapeKind): string;
begin
  case AKind of
    shCircle: Result := 'circle';
    shRectangle: Result := 'rectangle';
  else
    Result := 'shape';
  end;
end;

function Largest(A, B: TShape): TShape;
begin
  if (B <> nil) and ((A = nil) or (B.Area > A.Area)) then
    Result := B
  else
    Result := A;
end;

end.
