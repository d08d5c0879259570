' Plays a short tune on port 3, once with note letters and once with Korean note names.
CONST SPEAKER = 3

    PLAY SPEAKER, "C4D4E4F4G2R4G2"
    DELAY 500
    PLAY SPEAKER, "도4레4미4파4솔2"
    BEEP SPEAKER
END_OF_SONG:
    GOTO END_OF_SONG
