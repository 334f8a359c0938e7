package veltraeffectapi;

/** One output mode the effect supports, as {@link VeltraEffect#getSupportedOutputModeNames} reads it. */
public final class OutputMode {
    /** The mode's id (32 bits, unsigned in an int). */
    public final int id;
    /** The mode's name. */
    public final String name;

    public OutputMode(int id, String name) {
        this.id = id;
        this.name = name;
    }
}
