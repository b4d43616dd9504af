program ChildFirst;

uses
  Forms,
  Child in 'Child.pas' {frmChild},
  Base in 'Base.pas' {frmBase};

begin
end.
