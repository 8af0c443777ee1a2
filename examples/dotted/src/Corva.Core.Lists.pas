unit Corva.Core.Lists;

interface

uses
  Corva.Core.Strings, Plain;

type
  TNameList = class
  public
    procedure Add(const Name: string);
  end;

procedure Fill(List: TNameList);

implementation

procedure TNameList.Add(const Name: string);
begin
  Corva.Core.Strings.Whisper(Name);
end;

procedure Fill(List: TNameList);
begin
  List.Add(Shout('x'));
  List.Add(IntToStr(Plain.Twice(2)));
end;

end.
