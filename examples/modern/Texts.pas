unit Texts;

interface

function Banner: string;

implementation

{$I *.inc}

function Banner: string;
begin
  Result := BannerText;
end;

end.
