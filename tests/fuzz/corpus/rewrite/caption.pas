program P;
begin
  Caption := 'It''s';
end.
ÿ