// a<b & c>d "quoted" {braces} back\slash
x := a < b; y := a <> b; z := a >= b;
s := '<&>"{}\';
{ brace \ comment with & < > }
n := 1e};
