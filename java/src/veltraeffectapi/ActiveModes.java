package veltraeffectapi;

import java.util.Locale;

/**
 * What {@link VeltraEffect#getActive} reads: the output and sound mode the effect plays with, its
 * third mode and its tag mask. Each mode arrives in 16 bits and is given here as 0 to 65535.
 */
public final class ActiveModes {
    /** The active output mode, 0 to 65535 (the id {@link VeltraEffect#setOutputMode} selects). */
    public final int outputMode;
    /** The active sound mode, 0 to 65535 (the value {@link VeltraEffect#setSoundMode} selects). */
    public final int soundMode;
    /**
     * The effect's own third mode, 0 to 65535: the third 16-bit mode of the effect's reply, after
     * the output and sound mode. No operation of this API selects it and the library does not
     * interpret it; the effect reports it, and its meaning is the effect's. Kept under the name
     * {@link #mt} as well.
     */
    public final int thirdMode;
    /**
     * The same value as {@link #thirdMode}.
     *
     * @deprecated the name says nothing; use {@link #thirdMode}
     */
    @Deprecated public final int mt;
    /** The effect's tag mask for the active modes: 32 bits, unsigned, in an int. */
    public final int tag;

    /**
     * The modes and tag mask as the effect reported them.
     *
     * @param outputMode the active output mode, 0 to 65535
     * @param soundMode the active sound mode, 0 to 65535
     * @param thirdMode the effect's third mode, 0 to 65535
     * @param tag the tag mask, 32 bits unsigned in an int
     */
    public ActiveModes(int outputMode, int soundMode, int thirdMode, int tag) {
        this.outputMode = outputMode;
        this.soundMode = soundMode;
        this.thirdMode = thirdMode;
        this.mt = thirdMode;
        this.tag = tag;
    }

    /**
     * The effect's third mode.
     *
     * @return {@link #thirdMode}, 0 to 65535
     */
    public int getThirdMode() {
        return thirdMode;
    }

    @Override
    public boolean equals(Object other) {
        if (!(other instanceof ActiveModes)) {
            return false;
        }
        ActiveModes that = (ActiveModes) other;
        return outputMode == that.outputMode && soundMode == that.soundMode
                && thirdMode == that.thirdMode && tag == that.tag;
    }

    @Override
    public int hashCode() {
        return ((outputMode * 31 + soundMode) * 31 + thirdMode) * 31 + tag;
    }

    /** For example {@code ActiveModes{outputMode=1, soundMode=2, thirdMode=0, tag=0x0000ffff}}. */
    @Override
    public String toString() {
        return String.format(Locale.ROOT,
                "ActiveModes{outputMode=%d, soundMode=%d, thirdMode=%d, tag=0x%08x}", outputMode,
                soundMode, thirdMode, tag);
    }
}
