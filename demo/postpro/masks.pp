// For machines that keep their tools in inches: block numbers, fixed
// columns, signed values with four decimals and a comma as decimal separator
// ("/" keeps the tool number and angle unsigned), and unmeasured tools marked.
<SD>
NA=Masks, tabs and conditions
FN=+##0.0000
DE=,
SE=1
SN=100
PN=5
<ED>
(TOOL TABLE @W(20))

<S>
N@N T^(@T:/00)@B(12)?(@R=0|X UNMEASURED;X@R)@B(30)Z@L@B(45)R^(@I:0.0000)@B(56)A^(@A:/##0.0)
<E>
M30
