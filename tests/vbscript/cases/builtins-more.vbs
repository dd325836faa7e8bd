'=== Escape and Unescape
Print Escape("a b&c/d*@-_+.ä")
Print Unescape("a%20b%26c%u00E4")
Print Unescape(Escape("100% sure?"))
'> a%20b%26c/d*@-_+.%E4
'> a b&cä
'> 100% sure?
'=== GetLocale and SetLocale
old = GetLocale()
Print VarType(old)
prev = SetLocale(1031)
Print prev = old
Print GetLocale()
'> 3
'> True
'> 1031
'=== byte functions work on bytes
Print LenB("A") & " " & LenB("abc")
Print AscB("A") & " " & AscB(ChrB(200))
Print LenB(LeftB("abc", 2)) & " " & (LeftB("abc", 2) = "a")
Print RightB("abc", 2) = "c"
Print MidB("abc", 3, 2) = "b"
'> 2 6
'> 65 200
'> 2 True
'> True
'> True
'=== InStrB finds byte positions
Print InStrB("abc", "b")
Print InStrB(1, "abc", "c")
Print InStrB("abc", "z")
'> 3
'> 5
'> 0
