package veltraeffectapi;

import java.util.Arrays;
import java.util.Locale;

/**
 * What {@link VeltraEffect#saveUserPresetToChunk} reads back from the effect: the user preset as
 * the effect serialised it, and the two values of its reply.
 */
public final class UserPresetChunk {
    /** The chunk the effect wrote, as many bytes as it reported; never null, possibly empty. */
    public final byte[] chunk;
    /** The reply's first value: 32 bits, unsigned, in an int; its meaning is the effect's. */
    public final int outValue;
    /**
     * The reply's second value, the in-out value as the effect returned it: 32 bits, unsigned, in
     * an int.
     */
    public final int inOutValue;

    /**
     * A chunk and its reply values.
     *
     * @param chunk the chunk's bytes (kept, not copied); null is taken as an empty chunk
     * @param outValue the reply's first value
     * @param inOutValue the reply's second value
     */
    public UserPresetChunk(byte[] chunk, int outValue, int inOutValue) {
        this.chunk = chunk == null ? new byte[0] : chunk;
        this.outValue = outValue;
        this.inOutValue = inOutValue;
    }

    /** Equal when the chunks hold the same bytes and both values are equal. */
    @Override
    public boolean equals(Object other) {
        if (!(other instanceof UserPresetChunk)) {
            return false;
        }
        UserPresetChunk that = (UserPresetChunk) other;
        return outValue == that.outValue && inOutValue == that.inOutValue
                && Arrays.equals(chunk, that.chunk);
    }

    @Override
    public int hashCode() {
        return (Arrays.hashCode(chunk) * 31 + outValue) * 31 + inOutValue;
    }

    /**
     * The chunk's size and first bytes, for example {@code UserPresetChunk{4 bytes [01 02 03 04],
     * outValue=0, inOutValue=7}}; at most 16 bytes are shown.
     */
    @Override
    public String toString() {
        StringBuilder text = new StringBuilder("UserPresetChunk{").append(chunk.length)
                .append(" bytes [");
        for (int i = 0; i < chunk.length && i < 16; i++) {
            text.append(i == 0 ? "" : " ").append(String.format(Locale.ROOT, "%02x", chunk[i]));
        }
        return text.append(chunk.length > 16 ? " ...], " : "], ")
                .append(String.format(Locale.ROOT, "outValue=%d, inOutValue=%d}",
                        outValue & 0xFFFFFFFFL, inOutValue & 0xFFFFFFFFL))
                .toString();
    }
}
