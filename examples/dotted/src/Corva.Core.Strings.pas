unit Corva.Core.Strings;

interface

function Shout(const S: string): string;
function Whisper(const S: string): string;

implementation

function Shout(const S: string): string;
begin
  Result := S + '!';
end;

function Whisper(const S: string): string;
begin
  { qualified by its own unit }
  Result := Corva.Core.Strings.Shout(S) + '...';
end;

end.
