'=== syntax error in an expression
x = (1 +)
'! 1023 1:9
'=== expected statement
)
'! 1024 1:1
'=== expected end of statement, on the third line
a = 1
b = 2
c = 3 4
'! 1025 3:7
'=== missing End If
If x Then
  y = 1
'! 1014 4:1
'=== End Sub closing a Function
Function F()
End Sub
'! 1015 2:5
'=== missing Next
For i = 1 To 2
  x = i
'! 1020 4:1
'=== missing Loop
Do
  x = 1
'! 1019 4:1
'=== missing Wend
While True
'! 1018 3:1
'=== missing Then
If x = 1
'! 1017 1:9
'=== missing To
For i = 1 2
'! 1013 1:11
'=== missing ')'
x = Len("a"
'! 1006 1:12
'=== a keyword is not a name
Dim If
'! 1010 1:5
'=== Loop without Do
Loop
'! 1038 1:1
'=== Next without For
Next
'! 1055 1:1
'=== Exit For outside a loop
Exit For
'! 1039 1:6
'=== a name declared twice in a procedure
Sub P()
  Dim a
  Dim a
End Sub
'! 1041 3:7
'=== Const needs a literal
Const C = x
'! 1045 1:11
'=== Select without Case
Select x
'! 1021 1:8
'=== Property outside a class
Property Get X()
End Property
'! 1048 1:1
'=== missing In
For Each x Of y
'! 1046 1:12
'=== missing With at End
With Host
End If
'! 1029 2:5
'=== Option Explicit after other statements
x = 1
Option Explicit
'! 1042 2:8
'=== an identifier over 255 characters
x = aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa
'! 1030 1:5
'=== nothing runs when the code does not compile
Print "first"
x = = 1
'! 1023 2:5
'=== syntax error in On Error
On Error Foo
'! 1002 1:10
'=== syntax error in a class member
Class C
  Public Default x
End Class
'! 1056 2:18
