'=== the vb constants are Integer
Print VarType(vbCr) & " " & VarType(vbOKOnly) & " " & VarType(vbYes) & " " & VarType(vbString) & " " & VarType(vbSunday)
Print VarType(vbTrue) & " " & VarType(vbBinaryCompare) & " " & VarType(vbObject)
'> 8 2 2 2 2
'> 2 2 2
'=== date parts are Integer
d = #3/4/2001 5:06:07#
Print VarType(Year(d)) & VarType(Month(d)) & VarType(Day(d)) & VarType(Hour(d)) & VarType(Minute(d)) & VarType(Second(d)) & VarType(Weekday(d))
'> 2222222
'=== logic operators on Empty and Byte
Print VarType(Empty And Empty) & " " & VarType(Not Empty) & " " & VarType(CByte(1) And CByte(3))
Print VarType(CByte(1) Or 1) & " " & VarType(Not CByte(1))
'> 2 2 17
'> 2 17
'=== types of text and number built-ins
Print VarType(Len("a")) & VarType(InStr("ab", "b")) & VarType(Asc("a")) & VarType(Sgn(-2.5)) & VarType(Abs(-2)) & VarType(Fix(2.5)) & VarType(Int(2.5))
Print VarType(UBound(Array(1))) & VarType(StrComp("a", "b")) & VarType(CInt(1)) & VarType(Round(2.5)) & VarType(Round(CInt(2)))
'> 3322255
'> 32252
