' Echoes every byte received on the serial port, with a greeting first.
CONST DEVICE = WF
DIM RX AS BYTE

    SET RS232 9600
    PUT "READY", 13, 10
ECHO:
    GET RX, 100, ECHO
    PUT RX
    GOTO ECHO
