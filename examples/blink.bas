' Blinks a LED on port 5 twice a second.
CONST LED = 5

LOOP:
    HIGH LED
    DELAY 250
    LOW LED
    DELAY 250
    GOTO LOOP
