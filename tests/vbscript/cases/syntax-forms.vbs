'=== one-line If with Else and End If
a = 1
If a Then b = 1 Else b = 2 End If
Print b
If a = 0 Then b = 3 Else b = 4 End If
Print b
'> 1
'> 4
'=== Case followed by its statement without a colon
x = 1
Select Case x
  Case 1 y = 2
  Case Else y = 3
End Select
Print y
'> 2
'=== statements on the header line and before End Sub and End Function
Sub T() Print "t" End Sub
Function F(x) F = x * 2 End Function
T
Print F(4)
'> t
'> 8
'=== a statement before End If and End Class on the same line
If True Then
  Print "a" End If
Class K
  Public v End Class
Set obj = New K
obj.v = 5
Print obj.v
'> a
'> 5
'=== a procedure defined inside an If block
If False Then
  Sub Inner()
    Print "inner"
  End Sub
End If
Inner
'> inner
