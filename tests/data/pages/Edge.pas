unit Edge;
	 begin end; {$IFDEF X}(*$I inc.pas*) x := y<>z & 1<2;
{ open
  still begin
} begin{x}end
(* open (*
*)(*) end
s := 'unterminated
end'#13'a''b'
//{ line
for i:=0..9 do;
#LANGUAGE $ # . .. 1h 0x1F
end.