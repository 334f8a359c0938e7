package veltraeffectapi;

import java.util.Locale;

/**
 * One output mode the effect supports, as {@link VeltraEffect#getSupportedOutputModeNames} reads
 * it: the id that {@link VeltraEffect#setOutputMode} selects, and the effect's name for it.
 */
public final class OutputMode {
    /** The mode's id: 32 bits, unsigned, in an int (an id to select fits in 16 bits). */
    public final int id;
    /** The mode's name as the effect gave it (UTF-8 on the wire); never null. */
    public final String name;

    /**
     * An output mode.
     *
     * @param id the mode's id, 32 bits unsigned in an int
     * @param name the mode's name; null is taken as the empty name
     */
    public OutputMode(int id, String name) {
        this.id = id;
        this.name = name == null ? "" : name;
    }

    @Override
    public boolean equals(Object other) {
        if (!(other instanceof OutputMode)) {
            return false;
        }
        OutputMode that = (OutputMode) other;
        return id == that.id && name.equals(that.name);
    }

    @Override
    public int hashCode() {
        return id * 31 + name.hashCode();
    }

    /** For example {@code OutputMode{id=1, name="Headphone"}}. */
    @Override
    public String toString() {
        return String.format(Locale.ROOT, "OutputMode{id=%d, name=\"%s\"}",
                id & 0xFFFFFFFFL, name);
    }
}
