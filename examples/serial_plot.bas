' Two measurements per line for the Serial Plotter, every 100 ms: "temp:NN light:NN".
' TEMP rises and falls between 20 and 40; LIGHT is the analog input 0 divided by 32 plus a
' sawtooth, so both lines move even on the virtual module.
CONST DEVICE = WF
DIM TEMP AS INTEGER, STEPUP AS INTEGER, SAW AS INTEGER, LIGHT AS INTEGER

    SET RS232 9600
    TEMP = 20
    STEPUP = 1
    SAW = 0
MAIN:
    TEMP = TEMP + STEPUP
    IF TEMP >= 40 THEN STEPUP = -1
    IF TEMP <= 20 THEN STEPUP = 1
    SAW = SAW + 7
    IF SAW > 60 THEN SAW = 0
    LIGHT = ADIN(0) / 32 + SAW
    PUT "temp:", DEC(TEMP, 2, 1), " light:", DEC(LIGHT, 3, 1), 13, 10
    DELAY 100
    GOTO MAIN
