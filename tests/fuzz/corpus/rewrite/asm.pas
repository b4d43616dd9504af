unit U; interface implementation
procedure P; assembler; asm mov eax, 1 end;
procedure Q; begin X('after asm'); end;
end.ÿ