x := 1;
y } rest { of \ the <file>
end.
