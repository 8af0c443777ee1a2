unit Shapes;

{ Plane figures: a class with methods, a descendant, and unit-level
  functions, one of them named like a method. }

interface

type
  TShape = class
  public
    constructor Create;
    destructor Destroy; override;
    function Area: Double; virtual;
    procedure {drawn by the painter} Draw;
  end;

  TCircle = class(TShape)
  private
    FRadius: Double;
  public
    constructor Create(ARadius: Double);
    function Area: Double; override;
  end;

function CircleArea(Radius: Double): Double;
function { the plain one } Area(Width, Height: Double): Double;

implementation

const
  Pi = 3.14159;

procedure Trace(const Text: string); forward;

constructor TShape.Create;
begin
  inherited Create;
  Trace('shape');
end;

destructor TShape.Destroy;
begin
  Trace('gone');
  inherited Destroy;
end;

function TShape.Area: Double;
begin
  Result := 0;
end;

procedure TShape.Draw;
begin
  Trace('draw');
end;

constructor TCircle.Create(ARadius: Double);
begin
  inherited Create;
  FRadius := ARadius;
end;

function TCircle.Area: Double;
begin
  Result := CircleArea(FRadius);
end;

function CircleArea(Radius: Double): Double;
begin
  Result := Pi * Radius * Radius;
end;

function (* named like the methods *) Area(Width, Height: Double): Double;
begin
  Result := Width * Height;
end;

procedure Trace(const Text: string);
begin
  { the forward declaration above carries the first anchor of this name }
end;

end.
