unit Corva.App;

interface

procedure Run;

implementation

uses
  System.SysUtils, { not a unit of the project: stays plain }
  Corva.Core.Lists, Corva.Core.Strings;

procedure Run;
var
  List: TNameList;
begin
  List := TNameList.Create;
  Corva.Core.Lists.Fill(List);
  Corva.Core.Strings . Shout('done');
  List.Free;
end;

end.
