'=== CInt and CLng round half to even
Print CInt(2.5)
Print CInt(3.5)
Print CInt(-2.5)
Print CLng(1.5)
Print CInt("12")
Print CInt(True)
Print CInt(Empty)
'> 2
'> 4
'> -2
'> 2
'> 12
'> -1
'> 0
'=== CInt overflows outside 16 bits
x = CInt(32768)
'! 6 1:1
'=== CByte overflows below 0
x = CByte(-1)
'! 6 1:1
'=== CInt of a text that is no number
x = CInt("abc")
'! 13 1:1
'=== Round is banker's rounding, with digits too
Print Round(2.5)
Print Round(3.5)
Print Round(-0.5)
Print Round(2.345, 2)
Print Round(1.005, 2)
Print Round(12)
'> 2
'> 4
'> 0
'> 2.34
'> 1
'> 12
'=== Fix truncates, Int floors
Print Fix(-2.7)
Print Int(-2.7)
Print Fix(2.7)
Print Int(2.7)
'> -2
'> -3
'> 2
'> 2
'=== CStr, CDbl, CBool, CSng
Print CStr(1.5)
Print CDbl("1.25") * 2
Print CBool(0)
Print CBool("true")
Print CBool(-3)
Print TypeName(CSng(1.5))
Print CStr(True)
'> 1.5
'> 2.5
'> False
'> True
'> True
'> Single
'> True
'=== Hex and Oct
Print Hex(255)
Print Hex(-1)
Print Hex(CLng(-1))
Print Oct(8)
Print Hex(65536)
'> FF
'> FFFF
'> FFFFFFFF
'> 10
'> 10000
'=== Abs, Sgn, Sqr, Exp, Log
Print Abs(-3)
Print Sgn(-2.5) & Sgn(0) & Sgn(7)
Print Sqr(16)
Print Round(Exp(1), 5)
Print Round(Log(100) / Log(10), 10)
'> 3
'> -101
'> 4
'> 2.71828
'> 2
'=== Sqr of a negative number
x = Sqr(-1)
'! 5 1:1
'=== IsNumeric, IsDate, IsArray, IsObject
Print IsNumeric("12.5")
Print IsNumeric("1e3")
Print IsNumeric("abc")
Print IsNumeric(Empty)
Print IsNumeric(Null)
Print IsDate("1/2/2003")
Print IsDate("hello")
Print IsArray(Array(1))
Print IsObject(Host)
Print IsObject(Nothing)
'> True
'> True
'> False
'> True
'> False
'> True
'> False
'> True
'> True
'> True
'=== VarType codes
Print VarType(1)
Print VarType(100000)
Print VarType(1.5)
Print VarType("s")
Print VarType(True)
Print VarType(Now)
Print VarType(Array())
Print VarType(Host)
Print VarType(CByte(1))
Print VarType(CSng(1))
'> 2
'> 3
'> 5
'> 8
'> 11
'> 7
'> 8204
'> 9
'> 17
'> 4
'=== TypeName
Print TypeName(1.5)
Print TypeName("s")
Print TypeName(Array(1, 2))
Print TypeName(Host)
Print TypeName(True)
'> Double
'> String
'> Variant()
'> TestHost
'> Boolean
'=== Rnd repeats after a negative seed and stays in [0, 1)
a = Rnd(-1) : b = Rnd
c = Rnd(-1) : d = Rnd
Print a = c And b = d
ok = True
Randomize
For i = 1 To 1000
  r = Rnd
  If r < 0 Or r >= 1 Then ok = False
Next
Print ok
Print Rnd(0) = Rnd(0)
'> True
'> True
'> True
'=== Round of a number too large for decimals
Print Round(1E+308, 2) = 1E+308
'> True
