' Counts pulses on interrupt input 0 while the main loop shows the count on port 8.
CONST DEVICE = WF
DIM PULSES AS INTEGER

    PULSES = 0
    ON INT(0) GOSUB COUNTPULSE
    SET ONINT ON
MAIN:
    OUT 8, PULSES.L
    DELAY 10
    GOTO MAIN

COUNTPULSE:
    PULSES = PULSES + 1
    RETURN
