'=== unary minus binds tighter than ^
Print -3 ^ 2
Print 0 - 3 ^ 2
'> 9
'> -9
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
