'=== a date literal with a two-digit year
d = #12/31/99#
Print VarType(d) & " " & Year(d) & " " & Month(d) & " " & Day(d)
'> 7 1999 12 31
'=== the text of a Boolean converts back
If "#TRUE#" Then Print "true"
If Not CBool("#FALSE#") Then Print "false"
'> true
'> false
'=== texts of numbers with thousands separators
Print CDbl("1,234.5") + 1
Print CDbl(FormatNumber(1234.5, 2))
'> 1235.5
'> 1234.5
'=== texts of dates as Windows reads them in en-US
Print Year(CDate("12/31/99")) & "-" & Month(CDate("12/31/99"))
Print Month(CDate("Feb 29 2024")) & "/" & Day(CDate("Feb 29 2024"))
'> 1999-12
'> 2/29
'=== Err keeps the help file and context it was raised with
On Error Resume Next
Err.Raise 1000, "src", "desc", "help.chm", 42
Print Err.HelpFile & " " & Err.HelpContext
'> help.chm 42
'=== byte functions count bytes
Print LenB(ChrB(65))
Print LenB(LeftB("ABC", 3))
Print LenB("ABC")
Print AscB(MidB("AB", 3, 1))
'> 1
'> 3
'> 6
'> 66
'=== Minute and DatePart of the first week
Print Minute(2.02083)
Print DatePart("ww", #1/1/2000#, 1, 2)
'> 30
'> 52
'=== Err.Raise 0 is an invalid call
On Error Resume Next
Err.Raise 0
Print Err.Number
'> 5
'=== argument checks of builtins
On Error Resume Next
x = LBound(Nothing)
Print Err.Number
Err.Clear
x = Mid(Null, 1, 1)
Print Err.Number & " " & IsNull(x)
Err.Clear
x = Join(Null)
Print Err.Number
Err.Clear
x = Mid(Null, Null)
Print Err.Number
Err.Clear
x = Left(Null, Null) : Print Err.Number : Err.Clear
x = Mid(Null)
Print Err.Number
Err.Clear
Execute 42
Print Err.Number
Err.Clear
x = Eval("1 +")
Print Err.Number & " " & Err.Description
'> 91
'> 0 True
'> 94
'> 94
'> 94
'> 450
'> 13
'> 1002 Syntax error
'=== Select Case against a text case raises no error
Select Case 3
  Case "test"
    Print "text"
  Case 3
    Print "three"
End Select
'> three
'=== =< and >< are operators
Print 1 =< 2
Print 1 >< 2
'> True
'> True
'=== a line continuation before a member
Print Host _
  .Name
'> host
'=== Const is hoisted out of blocks that never run
If False Then Const c = "str"
Print c
'> str
'=== call of a name in several parentheses
Sub f(x)
  Print "f " & x
End Sub
call (((f))) (3)
'> f 3
'=== And and Or on Empty give Integers, arithmetic widens as Windows does
Print VarType(Empty And 1) & " " & VarType(Empty Or Empty)
Print VarType(CByte(200) + CByte(100)) & " " & VarType(CInt(1) * 2.5) & " " & VarType(Len("ab"))
'> 2 2
'> 2 5 3
'=== a class of the script may be named RegExp
Class RegExp
  Public Pattern
  Function Describe()
    Describe = "mine " & Pattern
  End Function
End Class
Set r = New RegExp
r.Pattern = "p"
Print r.Describe()
'> mine p
'=== hex literals of up to 16 bits are signed Integers, wider ones Longs
Print VarType(&H8000) & " " & &H8000
Print VarType(&H7FFF) & " " & VarType(&HFFFF&) & " " & &HFFFF& & " " & VarType(&H10000)
Print &HFFFF & " " & VarType(&HFFFF) & " " & (&HFFFF = -1) & " " & &HFFFFFFFF & " " & &O177777 & " " & &H0000FFFF
Print &H10000 & " " & &H7FFFFFFF & " " & &H80000000 & " " & (&HFF And &HFFFF)
'> 2 -32768
'> 2 3 65535 3
'> -1 2 True -1 -1 -1
'> 65536 2147483647 -2147483648 255
'=== indexing a public field that holds no array is 438
Class Box
  Public Items
End Class
Set b = New Box
b.Items = 5
On Error Resume Next
x = b.Items(0)
Print Err.Number
'> 438
'=== an array against Null is a type mismatch
On Error Resume Next
a = Array(1)
x = (a = Null)
Print Err.Number
'> 13
'=== a constant cannot be assigned
Const k = 1
k = 2
'! 501 2:1
'=== Set of a value that is no object
On Error Resume Next
Set x = 5
Print Err.Number
'> 424
'=== a name declared twice is redefined
Dim a
Dim a
'! 1041 2:5
'=== Let and Set misused on class members
Class Holder
  Public Value
  Public Sub Class_Initialize()
    Value = 1
  End Sub
End Class
Set h = New Holder
On Error Resume Next
Set x = h.Value
Print Err.Number
Err.Clear
Set h.Value = 5
Print Err.Number
Err.Clear
Set other = New Holder
y = other
Print Err.Number
Err.Clear
Set h = 7
Print Err.Number
'> 424
'> 424
'> 438
'> 424
