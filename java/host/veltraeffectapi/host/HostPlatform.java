package veltraeffectapi.host;

/**
 * This machine's stand-ins for the Android platform, for Java programs and tests on a host: the
 * system property store that the library reads the SDK level from, and the simulated audio
 * server's journal of effect commands, its replies and its events. Host only: a device has its own
 * platform, and neither this jar nor its JNI library (libveltra_host_platform_jni) is ever part
 * of a device image.
 *
 * <p>The property store starts empty: set {@link #SDK_PROPERTY} before the first effect object is
 * made, or the library loads no shim and every operation that sends fails.
 */
public final class HostPlatform {
    /** The property the library reads the platform's SDK level from. */
    public static final String SDK_PROPERTY = "ro.build.version.sdk";

    static {
        System.loadLibrary("veltra_host_platform_jni");
    }

    private HostPlatform() {}

    /**
     * Sets a system property, as a device's build sets its own.
     *
     * @param name the property's name, such as {@link #SDK_PROPERTY}
     * @param value its value, such as "28"
     * @return false when the store refused it (a name or value too long for a property)
     * @throws IllegalArgumentException when name or value is null
     */
    public static boolean setSystemProperty(String name, String value) {
        if (name == null || value == null) {
            throw new IllegalArgumentException((name == null ? "name" : "value") + " is null");
        }
        return nativeSetSystemProperty(name, value);
    }

    /**
     * Sets the SDK level the library reads, choosing the shim it loads (26 and above:
     * libfxshim_Oreo.so, the one this project builds).
     *
     * @param level the SDK level, such as 28
     * @return false when the store refused it
     */
    public static boolean setSdkLevel(int level) {
        return setSystemProperty(SDK_PROPERTY, Integer.toString(level));
    }

    private static native boolean nativeSetSystemProperty(String name, String value);

    /** Sets SDK level 28, and the audio server without faults, replies, instances or journal. */
    public static native void reset();

    /** Empties the journal of effect commands. */
    public static native void clearJournal();

    /**
     * The codes of the effect commands that reached the audio server, oldest first.
     *
     * @return the codes; empty when none did
     */
    public static native int[] commandCodes();

    /**
     * The request bytes of one command of the journal.
     *
     * @param index the command's place in {@link #commandCodes}
     * @return its request; empty for an index outside the journal
     */
    public static native byte[] commandRequest(int index);

    /**
     * The reply room one command of the journal offered.
     *
     * @param index the command's place in {@link #commandCodes}
     * @return the room in bytes, or -1 when it asked for no reply
     */
    public static native int commandReplyCapacity(int index);

    /**
     * Has the audio server refuse every later command with this code with a failure status.
     *
     * @param code the effect command's code
     */
    public static native void refuseCommand(int code);

    /**
     * Has the audio server answer every later command with this code with status 0 and the
     * reply.
     *
     * @param code the effect command's code
     * @param reply the reply's bytes
     */
    public static native void answer(int code, byte[] reply);

    /**
     * The effect instances alive in the audio server.
     *
     * @return their ids
     */
    public static native int[] liveInstances();

    /**
     * Posts a parameter-changed event, delivered to the listeners on the platform's thread.
     *
     * @param instance the instance's id, or 0 for every live instance
     * @param param the parameter's bytes
     * @param value the value's bytes
     */
    public static native void postParameterChanged(int instance, byte[] param, byte[] value);

    /** Returns once every event posted so far has been delivered. */
    public static native void waitForEvents();

    /** Ends the platform's event thread after what is posted; the next event starts another. */
    public static native void endEventThread();
}
