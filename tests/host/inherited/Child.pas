unit Child;

interface

uses
  Forms, StdCtrls, Base;

type
  TfrmChild = class(TfrmBase)
    btnOk: TButton;
  end;

implementation

{$R *.dfm}

end.
