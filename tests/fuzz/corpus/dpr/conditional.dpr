program P;
uses
  {$IFDEF DEBUG} Log in 'LogDebug.pas' {$ELSE} Log in 'LogRelease.pas' {$ENDIF},
  Vcl.Forms,
  Sub.Util in 'sub\Util.pas' (* x *) {frmUtil},
  Gone in '..\gone.pas';
{$R *.res}
begin end.
