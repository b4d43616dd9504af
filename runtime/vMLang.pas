unit vMLang;

{ The multi-language component and GetLangStr for form units.

  Polyverb adds this unit to the uses clause of every form unit it rewrites
  and places one TvMLang on each form, so this unit alone gives a form unit
  everything it calls: GetLangStr, LoadLanguage, LangLastError and the
  component. The reading itself lives in vLangRT (no Classes dependency,
  for console programs); the routines here forward to it, and behave as
  documented there:
    - GetLangStr returns '' for a missing number or when no language could
      be loaded; it never raises. The first entry of a duplicated number
      wins.
    - With no code at all, the first GetLangStr call loads the language
      named by the environment variable POLYVERB_LANG, else 'english'
      (english.lng in the current directory, else next to the executable).

  TvMLang.LangFileName
    - Set in code at run time: loads that language at once (a language
      name such as 'French' or a file name). An empty name changes nothing.
    - Streamed from a form: the value is the application's designed
      default. It is applied in Loaded, once the whole form is read, and
      only when no language was chosen yet; POLYVERB_LANG, when set, wins
      over it. So a form created later does not undo a language the user
      switched to, and every form may carry the same component.
    - At design time nothing is loaded.

  Language subset: as in vLangRT (no mode directive, long strings through
  H+, no generics, advanced records, operator overloading, inline
  variables, overloads or default parameters). Compiled and tested here
  with Free Pascal in modes delphi and objfpc only; compatibility with a
  classic Windows Pascal IDE cannot be tested on this system. }

{$H+}

interface

uses
  Classes, vLangRT;

type
  TvMLang = class(TComponent)
  private
    FLangFileName: string;
    procedure SetLangFileName(const Value: string);
  protected
    procedure Loaded; override;
  public
    { Loads LangFileName now, whatever was loaded before; False on
      failure (see LangLastError). }
    function Reload: Boolean;
  published
    property LangFileName: string read FLangFileName write SetLangFileName;
  end;

{ Same as vLangRT.GetLangStr: text number N, '' when missing. }
function GetLangStr(N: Integer): string;

{ Same as vLangRT.LoadLanguage. }
function LoadLanguage(const Name: string): Boolean;

{ Same as vLangRT.LangLastError. }
function LangLastError: string;

{ Puts TvMLang on the component palette of a design environment. }
procedure Register;

implementation

function GetLangStr(N: Integer): string;
begin
  Result := vLangRT.GetLangStr(N);
end;

function LoadLanguage(const Name: string): Boolean;
begin
  Result := vLangRT.LoadLanguage(Name);
end;

function LangLastError: string;
begin
  Result := vLangRT.LangLastError;
end;

procedure TvMLang.SetLangFileName(const Value: string);
begin
  FLangFileName := Value;
  { While a form is read, properties arrive before the component is
    complete; Loaded decides then. }
  if (csLoading in ComponentState) or (csDesigning in ComponentState) then
    Exit;
  if FLangFileName <> '' then
    vLangRT.LoadLanguage(FLangFileName);
end;

procedure TvMLang.Loaded;
begin
  inherited Loaded;
  if (csDesigning in ComponentState) or (FLangFileName = '') then
    Exit;
  vLangRT.LoadDefaultLanguage(FLangFileName);
end;

function TvMLang.Reload: Boolean;
begin
  Result := (FLangFileName <> '') and vLangRT.LoadLanguage(FLangFileName);
end;

procedure Register;
begin
  RegisterComponents('Polyverb', [TvMLang]);
end;

initialization
  { Forms that name the class only in their stream still find it. }
  RegisterClass(TvMLang);

end.
