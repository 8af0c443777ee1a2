{ Geometry: points, distances and the length units sizes are printed in.
  The other units of the demo build on these few routines. }
unit Geometry;

interface

const
  TwoPi = 6.283185307179586;
  CentimetresPerMetre = 100;
  NoLength: Double = 0.0;

type
  { The unit a length is shown in; sizes are kept in centimetres. }
  TLengthUnit = (luMillimetre, luCentimetre, luMetre);
  TLengthUnits = set of TLengthUnit;
  TPercent = 0..100;
  TShortName = string[20];

  TPoint2 = record
    X, Y: Double;
  end;
  PPoint2 = ^TPoint2;
  TPointVisitor = procedure(const P: TPoint2) of object;

  { A length as it was measured: metric in one of the units, or in inches. }
  TMeasure = record
    Value: Double;
    case Metric: Boolean of
      True: (MetricUnit: TLengthUnit);
      False: (Sixteenths: Integer);
  end;

var
  DisplayUnit: TLengthUnit;
  MetricUnits: TLengthUnits = [luMillimetre..luMetre];

function MakePoint(AX, AY: Double): TPoint2;
function Distance(const A, B: TPoint2): Double;
function ScaleLength(Value: Double; ToUnit: TLengthUnit): Double;
function UnitSuffix(AUnit: TLengthUnit): string;
procedure SetDisplayUnit(AUnit: TLengthUnit);

implementation

function MakePoint(AX, AY: Double): TPoint2;
begin
  Result.X := AX;
  Result.Y := AY;
end;

function Distance(const A, B: TPoint2): Double;
begin
  Result := Sqrt(Sqr(B.X - A.X) + Sqr(B.Y - A.Y));
end;

(* Converts a length in centimetres to the unit asked for. *)
function ScaleLength(Value: Double; ToUnit: TLengthUnit): Double;
begin
  case ToUnit of
    luMillimetre: Result := Value * 10;
    luMetre: Result := Value / CentimetresPerMetre;
  else
    Result := Value;
  end;
end;

function UnitSuffix(AUnit: TLengthUnit): string;
begin
  case AUnit of
    luMillimetre: Result := 'mm';
    luMetre: Result := 'm';
  else
    Result := 'cm';
  end;
end;

procedure SetDisplayUnit(AUnit: TLengthUnit);
begin
  if AUnit in MetricUnits then
    DisplayUnit := AUnit;
end;

initialization
  SetDisplayUnit(luCentimetre);
end.
