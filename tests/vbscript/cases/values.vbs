'=== unary minus binds tighter than ^
Print -3 ^ 2
Print 0 - 3 ^ 2
'> 9
'> -9
'=== Currency: CCur, its type and four decimals
c = CCur(1.23456)
Print VarType(c) & " " & TypeName(c)
Print c
Print TypeName(c + 1)
Print CCur("2.5") * 2
'> 6 Currency
'> 1.2346
'> Currency
'> 5
'=== Currency with other types
c = CCur(2.5)
Print TypeName(c * CSng(2)) & " " & TypeName(c * 2.5) & " " & TypeName(c / 2) & " " & TypeName(Abs(-c))
Print IsNumeric(c) & " " & CCur(0.00005) & " " & CCur(-1.23456)
'> Double Double Double Currency
'> True 0 -1.2346
'=== comparing texts with Booleans
Print "true" = True
Print "True" = True
Print "-1" = True
Print "False" = False
'> False
'> True
'> False
'> True
'=== comparing a text that is not a number with a number raises 13
x = "abc" = 5
'! 13 1:1
'=== Erase on a fixed array passed ByRef clears its elements
Dim a(2)
a(0) = 1 : a(2) = 3
Sub Clear(ByRef arr)
  Erase arr
End Sub
Clear a
Print UBound(a) & " " & IsEmpty(a(0)) & " " & IsEmpty(a(2))
'> 2 True True
'=== conversions of Booleans and Boolean texts
Print CByte(True)
Print CBool("#TRUE#")
Print CBool("#FALSE#")
'> 255
'> True
'> False
