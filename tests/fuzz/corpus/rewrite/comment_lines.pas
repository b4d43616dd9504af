unit U; interface implementation
procedure P; begin {
'not me'
} X('me'); end;
end.ÿ