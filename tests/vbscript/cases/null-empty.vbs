'=== Null propagates through arithmetic and concatenation skips it
Print Null + 1
Print IsNull(Null * 2)
Print "a" & Null & "b"
Print IsNull(Null & Null)
Print -Null
'> Null
'> True
'> ab
'> True
'> Null
'=== Null in comparisons is Null, and a Null condition is false
Print Null = Null
Print IsNull(1 < Null)
If Null Then Print "then" Else Print "else"
'> Null
'> True
'> else
'=== Null with the logical operators
Print Null And False
Print IsNull(Null And True)
Print Null Or True
Print IsNull(Null Or False)
Print IsNull(Not Null)
Print False Imp Null
'> False
'> True
'> True
'> True
'> True
'> True
'=== Empty is 0 in arithmetic and "" with strings
Dim e
Print e + 1
Print TypeName(e + e)
Print "[" & e & "]"
Print e = 0
Print e = ""
Print IsEmpty(e)
Print Len(e)
'> 1
'> Integer
'> []
'> True
'> True
'> True
'> 0
'=== library functions pass Null on
Print Len(Null)
Print UCase(Null)
Print Left(Null, 2)
Print Mid(Null, 1)
Print Trim(Null)
Print Abs(Null)
'> Null
'> Null
'> Null
'> Null
'> Null
'> Null
'=== conversions of Null are an invalid use of Null
x = CInt(Null)
'! 94 1:1
'=== CStr of Null too
x = CStr(Null)
'! 94 1:1
'=== VarType and TypeName of the special values
Print VarType(Empty) & VarType(Null)
Print TypeName(Empty)
Print TypeName(Null)
Print TypeName(Nothing)
'> 01
'> Empty
'> Null
'> Nothing
