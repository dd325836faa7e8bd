Const k = "10"
x = 5 : s = "010"
MsgBox (x < "10") & (s = CInt(10)) & ("010" = 10) & (k > x) & (x = k) & (Empty = "") & (Null = 1)
MsgBox &HFFFF & TypeName(&H7FFF) & TypeName(&H8000) & &H8000 & &H10000 & &O177777 & &HFFFFFFFF & &H7FFFFFFF& & &HFFFF&
MsgBox TypeName(&O100000) & (&HFFFF = -1) & (&H8000 < 0) & CLng(&HFFFF) & Hex(-1) & Oct(&H8000)
Select Case "5" : Case 5 : MsgBox "n" : Case "5" : MsgBox "t" : End Select
a = Array(1, "2", #1/1/2000#, True, Null, Empty, 2.5, CByte(3), CCur(4))
For Each p In a : For Each q In a : On Error Resume Next : r = (p < q) & (p = q) & StrComp(p, q, 1) : Next : Next
