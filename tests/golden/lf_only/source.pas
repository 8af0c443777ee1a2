unit A;
begin
  x := 'a'; // note
end.
