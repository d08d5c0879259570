' A counter that reads a port, scales the count through a table
' and keeps the low and high bytes apart.
CONST DEVICE = KF
CONST STEP_SIZE = 3
CONST BYTE SCALE = (0, 10, 20, 30, 40, 50, 60, 70)

DIM COUNTER AS BYTE, INDEX AS BYTE
DIM TOTAL AS INTEGER
DIM LOWPART AS BYTE, HIGHPART AS BYTE

START:
    COUNTER = IN(1) + STEP_SIZE
    INDEX = COUNTER AND 7
    TOTAL = SCALE(INDEX) * 4 + COUNTER
    LOWPART = TOTAL.L
    HIGHPART = TOTAL.H
    COUNTER.7 = 1 ' mark the count as fresh
