package veltraeffectapi;

/** What {@link VeltraEffect#getActive} reads: the effect's active modes and tag mask. */
public final class ActiveModes {
    /** Active output mode (16 bits). */
    public final int outputMode;
    /** Active sound mode (16 bits). */
    public final int soundMode;
    /** The third mode the effect reports (16 bits). */
    public final int mt;
    /** Tag mask (32 bits, unsigned in an int). */
    public final int tag;

    public ActiveModes(int outputMode, int soundMode, int mt, int tag) {
        this.outputMode = outputMode;
        this.soundMode = soundMode;
        this.mt = mt;
        this.tag = tag;
    }
}
