'=== the Format functions follow SetLocale: German
old = SetLocale(1031)
Print old & " " & GetLocale
Print FormatNumber(1234567.891, 2)
Print FormatCurrency(1234.5)
Print FormatCurrency(-3)
Print FormatDateTime(#12/31/1999 1:02:03 PM#, 2) & " " & FormatDateTime(#12/31/1999 1:02:03 PM#, 3)
Print FormatDateTime(#3/1/2024#, 1)
Print FormatDateTime(#3/1/2024 6:05:00 AM#)
'> 1033 1031
'> 1.234.567,89
'> 1.234,50 €
'> -3,00 €
'> 31.12.1999 13:02:03
'> Freitag, 1. März 2024
'> 01.03.2024 06:05:00
'=== French (the group separator a no-break space), and back to the default
SetLocale 1036
Print FormatNumber(-1234.5, 1, , True)
Print FormatCurrency(1234.5)
Print FormatDateTime(#3/1/2024#, 1) & " | " & FormatDateTime(#3/1/2024#, 2)
SetLocale 0
Print FormatNumber(1234.5) & " " & FormatCurrency(1234.5) & " " & FormatDateTime(#3/1/2024#, 2)
'> (1 234,5)
'> 1 234,50 €
'> vendredi 1 mars 2024 | 01/03/2024
'> 1,234.50 $1,234.50 3/1/2024
