unit ShopUnit;

{$mode delphi}{$H+}

interface

uses
  SysUtils, vLangRT;

type
  TField = class
  public
    AsString: string;
  end;

  { Just enough of a data set for the FieldByName and Filter contexts. }
  TTable = class
  private
    FField: TField;
  public
    Filter: string;
    constructor Create;
    destructor Destroy; override;
    function FieldByName(const Name: string): TField;
  end;

  TBasket = class
  private
    FLines: TStringArray;
  public
    procedure Add(const Name: string; Count: Integer);
    procedure Print;
  end;

const
  SHeader = 'Basket'; // in the interface part: never a candidate

implementation

const
  SFooter = 'End of basket'; // a declaration in the implementation part

constructor TTable.Create;
begin
  inherited Create;
  FField := TField.Create;
end;

destructor TTable.Destroy;
begin
  FField.Free;
  inherited Destroy;
end;

function TTable.FieldByName(const Name: string): TField;
begin
  if Name = 'Name' then
    Result := FField
  else
    raise Exception.Create('Unknown field');
end;

procedure TBasket.Add(const Name: string; Count: Integer);
begin
  try
    if Count <= 0 then
      raise Exception.Create('Nothing to add: ' + Name);
    SetLength(FLines, Length(FLines) + 1);
    FLines[High(FLines)] := IntToStr(Count) + ' x ' + Name;
  except
    on E: Exception do
      Writeln('Error: ', E.Message);
  end;
end;

procedure TBasket.Print;
var
  Table: TTable;
  Line: string;
begin
  Writeln(SHeader);
  for Line in FLines do
    Writeln('  ', Line);
  Table := TTable.Create;
  try
    Table.Filter := 'Kind=''Fruit''';
    Table.FieldByName('Name').AsString := 'Fruit basket';
    Writeln(Table.FieldByName('Name').AsString, ' (', Table.Filter, ')');
  finally
    Table.Free;
  end;
  Writeln(SFooter);
end;

end.
