unit Base;

interface

uses
  Forms, StdCtrls;

type
  TfrmBase = class(TForm)
    lblTitle: TLabel;
    lblFooter: TLabel;
  end;

implementation

{$R *.dfm}

end.
