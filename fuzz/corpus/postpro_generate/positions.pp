// Every turret position from 1 to 12, empty positions with zero values.
<SD>
NA=Turret positions
AL=1
MT=12
EB=13:10
<ED>
TOOLS @W(20)

<S>
P^(@T:00) ?(@D(1)=|EMPTY;@D(16))@B(24)D@R(*2)@B(36)L@L
<E>
END
