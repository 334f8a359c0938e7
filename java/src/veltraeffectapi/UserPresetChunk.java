package veltraeffectapi;

/** What {@link VeltraEffect#saveUserPresetToChunk} reads back from the effect. */
public final class UserPresetChunk {
    /** The chunk the effect wrote, as long as it reported. */
    public final byte[] chunk;
    /** The reply's first value. */
    public final int outValue;
    /** The reply's second value (the in-out value as the effect returned it). */
    public final int inOutValue;

    public UserPresetChunk(byte[] chunk, int outValue, int inOutValue) {
        this.chunk = chunk;
        this.outValue = outValue;
        this.inOutValue = inOutValue;
    }
}
