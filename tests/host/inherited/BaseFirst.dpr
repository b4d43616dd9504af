program BaseFirst;

uses
  Forms,
  Base in 'Base.pas' {frmBase},
  Child in 'Child.pas' {frmChild};

begin
end.
