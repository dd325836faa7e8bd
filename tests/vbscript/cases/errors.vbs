'=== On Error Resume Next skips the failing statement and fills Err
On Error Resume Next
x = 1 / 0
Print Err.Number
Print Err.Description
Print Err.Source
Err.Clear
Print Err.Number
'> 11
'> Division by zero
'> Microsoft VBScript runtime error
'> 0
'=== Err.Number is Err's default member
On Error Resume Next
x = CInt("no")
If Err Then Print "failed with " & Err
'> failed with 13
'=== On Error GoTo 0 turns the handling off and clears Err
On Error Resume Next
x = 1 / 0
On Error GoTo 0
Print Err.Number
y = 1 / 0
Print "not reached"
'! 11 5:1
'> 0
'=== Err.Raise with a number, source and description
On Error Resume Next
Err.Raise vbObjectError + 1, "MySource", "My description"
Print Err.Number - vbObjectError
Print Err.Source
Print Err.Description
Err.Raise 5
Print Err.Description
Err.Raise 32000
Print Err.Description
'> 1
'> MySource
'> My description
'> Invalid procedure call or argument
'> Unknown runtime error
'=== an unhandled Err.Raise ends the script with its number
Err.Raise 1234, "src", "custom"
'! 1234 1:1
'=== handling belongs to each procedure: a callee's error is skipped in the caller
Sub Fails()
  Print "in"
  x = 1 / 0
  Print "not here"
End Sub
On Error Resume Next
Fails
Print "caller goes on: " & Err.Number
'> in
'> caller goes on: 11
'=== a procedure's own Resume Next does not reach its caller
Sub Careful()
  On Error Resume Next
  x = 1 / 0
  Print "careful goes on"
End Sub
Careful
Print "back"
y = 1 / 0
'! 11 8:1
'> careful goes on
'> back
'=== Resume Next in a caller does not cover statements after an error in the callee
Function Half(n)
  Half = n / 2
  If n = 0 Then Err.Raise 5
  Half = -1
End Function
On Error Resume Next
r = Half(0)
Print IsEmpty(r) & " " & Err.Number
'> True 5
'=== a failing If condition enters the branch under Resume Next
On Error Resume Next
If 1 / 0 = 1 Then
  Print "entered"
End If
'> entered
'=== errors from host objects reach Err
On Error Resume Next
Host.NoSuchMember
Print Err.Number
Err.Clear
Host.Add 1
Print Err.Number
'> 438
'> 450
'=== errors inside Class_Terminate are kept there
Class T
  Private Sub Class_Terminate()
    x = 1 / 0
  End Sub
End Class
Set o = New T
Set o = Nothing
Print "fine " & Err.Number
'> fine 0
'=== a run-time error inside a procedure reports the procedure's line
Sub Inner()
  Dim a(1)
  a(5) = 1
End Sub
Inner
'! 9 3:3
'=== type mismatch
x = "a" * 2
'! 13 1:1
'=== overflow
x = CLng(3000000000)
'! 6 1:1
'=== object required
x = 5
x.Member = 1
'! 424 2:1
'=== object does not support the member
Host.Frobnicate
'! 438 1:1
'=== variable is undefined
Option Explicit
Print undeclared
'! 500 2:1
'=== invalid procedure call
x = Space(-1)
'! 5 1:1
'=== subscript out of range
a = Array(1, 2)
x = a(2)
'! 9 2:1
'=== cannot create object
Set fso = CreateObject("No.Such.Thing")
'! 429 1:1
