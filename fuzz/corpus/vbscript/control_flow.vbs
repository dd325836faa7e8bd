'=== block If with ElseIf and Else
For Each n In Array(1, 2, 3)
  If n = 1 Then
    Print "one"
  ElseIf n = 2 Then
    Print "two"
  Else
    Print "many"
  End If
Next
'> one
'> two
'> many
'=== single-line If, with several statements and Else
x = 3
If x > 2 Then Print "big" : Print "really" Else Print "small"
If x < 2 Then Print "small" Else Print "not small" : Print "sure"
If x = 3 Then Print "three"
'> big
'> really
'> not small
'> sure
'> three
'=== Select Case with lists, ranges, Is and Else
For Each v In Array(1, 5, 7, 12, 20, "x")
  Select Case v
    Case 1, 2
      Print "low"
    Case 3 To 6
      Print "mid"
    Case 7: Print "seven"
    Case "x"
      Print "ex"
    Case Is >= 20
      Print "huge"
    Case Else
      Print "other"
  End Select
Next
'> low
'> mid
'> seven
'> other
'> huge
'> ex
'=== Select Case compares text exactly
Select Case "B"
  Case "b": Print "lower"
  Case "B": Print "upper"
End Select
'> upper
'=== For with Step, backwards and never
For i = 1 To 10 Step 4 : Print i : Next
For i = 3 To 1 Step -1 : Print i : Next
For i = 5 To 1
  Print "never"
Next
Print i
'> 1
'> 5
'> 9
'> 3
'> 2
'> 1
'> 5
'=== For evaluates its bounds once and the counter ends past the end
n = 3
For i = 1 To n
  n = 10
Next
Print i
For j = 0 To 1 Step 0.5 : Print j : Next
'> 4
'> 0
'> 0.5
'> 1
'=== Exit For and nested loops
For i = 1 To 3
  For j = 1 To 3
    If j = 2 Then Exit For
    Print i & j
  Next
Next
'> 11
'> 21
'> 31
'=== For Each over an array and a host collection
For Each x In Array("a", "b")
  Print x
Next
Dim total
For Each c In Host.Items
  total = total & c
Next
Print total
'> a
'> b
'> ab
'=== For Each over something that is not a collection
For Each x In 5
Next
'! 451 1:1
'=== Do While, Do Until, Loop While, Loop Until
i = 0
Do While i < 3
  i = i + 1
Loop
Print i
Do Until i = 0
  i = i - 1
Loop
Print i
Do
  i = i + 1
Loop While i < 5
Print i
Do
  i = i + 10
Loop Until True
Print i
'> 3
'> 0
'> 5
'> 15
'=== Do with Exit Do, and While Wend
i = 0
Do
  i = i + 1
  If i = 4 Then Exit Do
Loop
Print i
While i > 0
  i = i - 2
Wend
Print i
'> 4
'> 0
'=== Exit Do inside While inside Do leaves the Do
i = 0
Do
  While True
    Exit Do
  Wend
  Print "not here"
Loop
Print "out"
'> out
'=== With reaches the object's members
With Host
  .Value = 42
  Print .Value
  .Name = "changed"
  Print .Name & "/" & .Add(2, 3)
End With
Print Host.Value
'> 42
'> changed/5
'> 42
'=== Call with and without parentheses
Sub Show(a, b)
  Print a & "+" & b
End Sub
Call Show(1, 2)
Show 3, 4
'> 1+2
'> 3+4
'=== calling a Sub with parentheses around two arguments
Sub Show(a, b)
End Sub
Show(1, 2)
'! 1044 3:5
'=== Exit Sub outside a Sub
Exit Sub
'! 1039 1:6
