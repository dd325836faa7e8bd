'=== members of a named object are global names too
Print Name
Name = "renamed"
Print Host.Name
Print Add(2, 3)
'> host
'> renamed
'> 5
'=== names of host members do not care about case
Print HOST.NAME & host.add(1, 1)
'> host2
'=== a host object's default member
Print CStr(Host)
Host.Value = 9
Print Host + 1
x = Host
Print TypeName(x)
'> 7
'> 10
'> Long
'=== by-reference parameters of host methods write back
v = 21
Host.Twice v
Print v
Twice v
Print v
'> 42
'> 84
'=== Set keeps the object, Let takes its value
Set a = Host.Child
Print TypeName(a)
b = Host.Child
Print TypeName(b)
'> TestHost
'> Long
'=== methods returning arrays
Print UBound(Host.Items)
Print Host.Items()(1)
'> 1
'> b
'=== a read-only member cannot be assigned
Host.Items = 1
'! 383 1:1
