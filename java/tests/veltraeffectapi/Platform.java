package veltraeffectapi;

/** The simulated platform the tests run against: its command journal, replies and events. */
final class Platform {
    static {
        System.loadLibrary("veltraeffect_platform_jni");
    }

    private Platform() {}

    /** SDK level 28, and the audio server without faults, replies or journal. */
    static native void reset();

    static native void clearJournal();

    /** The codes of the commands that reached the platform, in order. */
    static native int[] commandCodes();

    /** The request bytes of the index-th command. */
    static native byte[] commandRequest(int index);

    /** The reply room the index-th command offered, -1 without a reply. */
    static native int commandReplyCapacity(int index);

    /** Commands with the code are refused with a failure status. */
    static native void refuseCommand(int code);

    /** Commands with the code are answered with status 0 and the reply. */
    static native void answer(int code, byte[] reply);

    static native int[] liveInstances();

    /** A parameter-changed event on the instance (0: on every live instance). */
    static native void postParameterChanged(int instance, byte[] param, byte[] value);

    /** Returns once every event posted so far has been delivered. */
    static native void waitForEvents();

    /** Ends the platform's event thread after what is posted; the next event starts another. */
    static native void endEventThread();
}
