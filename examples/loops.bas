' Nested loops fill a table; IF blocks classify each value and ON ... GOSUB picks a handler.
CONST DEVICE = WF
DIM I AS BYTE, J AS BYTE, K AS BYTE, KIND AS BYTE
DIM GRID(16) AS BYTE
DIM SMALL AS INTEGER, LARGE AS INTEGER

    FOR I = 0 TO 3
        FOR J = 0 TO 3 STEP 1
            K = I * 4 + J
            GRID(K) = I * J
            IF GRID(K) = 0 THEN
                KIND = 0
            ELSEIF GRID(K) < 4 THEN
                KIND = 1
            ELSE
                KIND = 2
            END IF
            ON KIND GOSUB ZERO, SMALLONE, LARGEONE
        NEXT J
    NEXT I
DONE:
    GOTO DONE

ZERO:
    RETURN
SMALLONE:
    SMALL = SMALL + 1
    RETURN
LARGEONE:
    LARGE = LARGE + 1
    RETURN
