#!/usr/bin/env python3
"""Writes a synthetic Delphi project for benchmarks: N units with realistic
interface sections (classes with fields, methods and properties, unit-level
routines, constants, enumerations, records, variables) and implementation
sections that call routines of K other units, plainly and qualified, among
comments, strings and conditional directives. The same arguments always give
the same bytes. Every interface routine has its body, so every link lands.
--private P adds P routines per unit that only the implementation declares:
the units grow (about 0.45 KB each; real units average some 30 KB) while the
symbol table stays as it is.

usage: gen_project.py --units N --fanout K [--routines R] [--private P] [--seed S] OUTDIR
"""
import argparse
import os
import random

CRLF = "\r\n"


def unit_name(i):
    return "Unit%04d" % i


def interface_part(i, used, routines):
    u = "%04d" % i
    out = []
    out.append("unit %s;" % unit_name(i))
    out.append("")
    out.append("{ Synthetic unit %s: shapes, counters and helpers. }" % u)
    out.append("")
    out.append("interface")
    out.append("")
    out.append("uses")
    names = ["SysUtils", "Classes"] + [unit_name(j) for j in used]
    for k, n in enumerate(names):
        out.append("  " + n + ("," if k + 1 < len(names) else ";"))
    out.append("")
    out.append("const")
    out.append("  MaxItems%s = %d;" % (u, 100 + i))
    out.append("  Title%s = 'Unit %s: it''s synthetic';" % (u, u))
    out.append("  Ratio%s = 1.5e+3;" % u)
    out.append("  Mask%s = $FF00;" % u)
    out.append("")
    out.append("type")
    out.append("  TColor%s = (clRed%s, clGreen%s, clBlue%s);" % (u, u, u, u))
    out.append("  TRange%s = 1..10;" % u)
    out.append("  TPoint%s = record" % u)
    out.append("    X, Y: Integer;")
    out.append("    Tag: string[20];")
    out.append("  end;")
    out.append("  TNotify%s = procedure(Sender: TObject) of object;" % u)
    out.append("")
    out.append("  { A shape with a name and a size. }")
    out.append("  TShape%s = class(TObject)" % u)
    out.append("  private")
    out.append("    FWidth: Integer;")
    out.append("    FHeight: Integer;")
    out.append("    FName: string;")
    out.append("    FOnChange: TNotify%s;" % u)
    out.append("  protected")
    out.append("    procedure Changed; virtual;")
    out.append("  public")
    out.append("    constructor Create(AWidth, AHeight: Integer);")
    out.append("    destructor Destroy; override;")
    out.append("    procedure Draw(Canvas: TObject); virtual;")
    out.append("    function Area: Double;")
    out.append("    function Describe(const Prefix: string): string;")
    out.append("    property Width: Integer read FWidth write FWidth;")
    out.append("    property Name: string read FName write FName;")
    out.append("    property OnChange: TNotify%s read FOnChange write FOnChange;" % u)
    out.append("  end;")
    out.append("")
    out.append("var")
    out.append("  Counter%s: Integer;" % u)
    out.append("  Origin%s: TPoint%s;" % (u, u))
    out.append("")
    for r in range(routines):
        if r % 2 == 0:
            out.append("procedure Step%s_%d(Value: Integer; var Total: Integer);" % (u, r))
        else:
            out.append("function Compute%s_%d(A, B: Integer): Integer;" % (u, r))
    out.append("")
    return out


def call_of(rng, j, routines, qualified):
    r = rng.randrange(routines)
    target = "%04d" % j
    prefix = unit_name(j) + "." if qualified else ""
    if r % 2 == 0:
        return "%sStep%s_%d(I, Total);" % (prefix, target, r)
    return "Total := Total + %sCompute%s_%d(I, %d);" % (prefix, target, r, rng.randrange(100))


def private_part(u, used, routines, count, rng):
    """Routines of the implementation alone: text that the symbol table never sees."""
    out = []
    for p in range(count):
        out.append("{ Private helper %d: walks a small table and keeps a tally. }" % p)
        out.append("function Helper%s_%d(const Items: array of Integer; Limit: Integer): Integer;" % (u, p))
        out.append("var")
        out.append("  I, Total: Integer;")
        out.append("  Note: string;")
        out.append("begin")
        out.append("  Total := 0;")
        out.append("  Note := 'helper %d of unit %s';" % (p, u))
        out.append("  for I := Low(Items) to High(Items) do")
        out.append("    if (Items[I] > Limit) and (Items[I] <> %d) then" % rng.randrange(1000))
        out.append("      Inc(Total, Items[I] mod %d)" % (p + 2))
        out.append("    else")
        if used:
            out.append("      " + call_of(rng, rng.choice(used), routines, rng.random() < 0.5))
        else:
            out.append("      Dec(Total);")
        out.append("  Result := Total; // %s" % rng.choice(["tally", "sum", "count"]))
        out.append("end;")
        out.append("")
    return out


def implementation_part(i, used, routines, private, rng):
    u = "%04d" % i
    out = ["implementation", ""]
    out.append("{$IFDEF WIN32}")
    out.append("const")
    out.append("  Platform%s = 'win32';" % u)
    out.append("{$ELSE}")
    out.append("const")
    out.append("  Platform%s = 'other';" % u)
    out.append("{$ENDIF}")
    out.append("")
    out.append("(* The shape's methods. *)")
    out.append("")
    out.append("constructor TShape%s.Create(AWidth, AHeight: Integer);" % u)
    out.append("begin")
    out.append("  inherited Create;")
    out.append("  FWidth := AWidth;")
    out.append("  FHeight := AHeight;")
    out.append("  FName := Title%s;" % u)
    out.append("end;")
    out.append("")
    out.append("destructor TShape%s.Destroy;" % u)
    out.append("begin")
    out.append("  FName := '';")
    out.append("  inherited Destroy;")
    out.append("end;")
    out.append("")
    out.append("procedure TShape%s.Changed;" % u)
    out.append("begin")
    out.append("  if Assigned(FOnChange) then FOnChange(Self);")
    out.append("end;")
    out.append("")
    out.append("procedure TShape%s.Draw(Canvas: TObject);" % u)
    out.append("var")
    out.append("  I, Total: Integer;")
    out.append("begin")
    out.append("  Total := 0;")
    out.append("  for I := 0 to FWidth - 1 do")
    out.append("  begin")
    for j in used[:3]:
        out.append("    " + call_of(rng, j, routines, False))
    out.append("  end;")
    out.append("  Changed;")
    out.append("end;")
    out.append("")
    out.append("function TShape%s.Area: Double;" % u)
    out.append("begin")
    out.append("  Result := FWidth * FHeight / 2.0; // a triangle, really")
    out.append("end;")
    out.append("")
    out.append("function TShape%s.Describe(const Prefix: string): string;" % u)
    out.append("begin")
    out.append("  Result := Prefix + ' ' + FName + ' (' + IntToStr(FWidth) + 'x' + IntToStr(FHeight) + ')';")
    out.append("  if (FWidth < FHeight) and (FWidth <> 0) then Result := Result + ' <tall>';")
    out.append("end;")
    out.append("")
    for r in range(routines):
        if r % 2 == 0:
            out.append("procedure Step%s_%d(Value: Integer; var Total: Integer);" % (u, r))
            out.append("var")
            out.append("  I: Integer;")
            out.append("begin")
            out.append("  { Adds the value, then asks a few neighbours. }")
            out.append("  Total := Total + Value * %d;" % (r + 1))
            out.append("  I := Value mod 7;")
            if used:
                out.append("  if I > 3 then")
                out.append("  begin")
                for _ in range(2):
                    j = rng.choice(used)
                    out.append("    " + call_of(rng, j, routines, rng.random() < 0.5))
                out.append("  end;")
            out.append("  Inc(Counter%s);" % u)
            out.append("end;")
        else:
            out.append("function Compute%s_%d(A, B: Integer): Integer;" % (u, r))
            out.append("var")
            out.append("  I, Total: Integer;")
            out.append("begin")
            out.append("  Total := A * B + MaxItems%s;" % u)
            out.append("  for I := 1 to 3 do")
            if used:
                j = rng.choice(used)
                out.append("    " + call_of(rng, j, routines, rng.random() < 0.5))
            else:
                out.append("    Total := Total + I;")
            out.append("  Result := Total; // %s" % rng.choice(["done", "ok", "fine"]))
            out.append("end;")
        out.append("")
    out += private_part(u, used, routines, private, rng)
    out.append("initialization")
    out.append("  Counter%s := 0;" % u)
    out.append("end.")
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--units", type=int, required=True)
    ap.add_argument("--fanout", type=int, default=10)
    ap.add_argument("--routines", type=int, default=12)
    ap.add_argument("--private", type=int, default=0,
                    help="routines per unit declared only in the implementation")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("outdir")
    a = ap.parse_args()
    rng = random.Random(a.seed)
    os.makedirs(os.path.join(a.outdir, "src"), exist_ok=True)
    fanout = min(a.fanout, a.units - 1)
    dpr = ["program Synthetic;", "", "uses", "  Forms,"]
    for i in range(a.units):
        used = rng.sample([j for j in range(a.units) if j != i], fanout) if fanout > 0 else []
        lines = interface_part(i, used, a.routines) + implementation_part(i, used, a.routines, a.private, rng)
        with open(os.path.join(a.outdir, "src", unit_name(i) + ".pas"), "w", newline="") as f:
            f.write(CRLF.join(lines) + CRLF)
        sep = "," if i + 1 < a.units else ";"
        dpr.append("  %s in 'src\\%s.pas'%s" % (unit_name(i), unit_name(i), sep))
    dpr += ["", "begin", "  Application.Initialize;", "  Application.Run;", "end."]
    with open(os.path.join(a.outdir, "Synthetic.dpr"), "w", newline="") as f:
        f.write(CRLF.join(dpr) + CRLF)


if __name__ == "__main__":
    main()
