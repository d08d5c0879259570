' Counts up on the character display, one step every 100 ms.
DIM COUNTER AS BYTE

    LCDINIT
    CLS
    LOCATE 0, 0
    PRINT "COUNT:"
    COUNTER = 0
SHOW:
    LOCATE 7, 0
    PRINT DEC(COUNTER, 3, 0)
    COUNTER = COUNTER + 1
    DELAY 100
    GOTO SHOW
