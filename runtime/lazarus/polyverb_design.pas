{ This file was automatically created by Lazarus. Do not edit!
  This source is only used to compile and install the package.
 }

unit polyverb_design;

{$warn 5023 off : no warning about unused units}
interface

uses
  PolyverbReg, LazarusPackageIntf;

implementation

procedure Register;
begin
  RegisterUnit('PolyverbReg', @PolyverbReg.Register);
end;

initialization
  RegisterPackage('polyverb_design', @Register);
end.
