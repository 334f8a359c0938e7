package veltraeffectapi;

import java.nio.charset.StandardCharsets;
import java.util.concurrent.locks.ReentrantReadWriteLock;

/**
 * The effect-control object of libveltraeffectapi, for Java and Kotlin.
 *
 * <p>Made by {@link #create} through the library's factory; {@link #init} creates the effect
 * instance in the platform audio server, the other methods steer it. Each method is one operation
 * of the library's effect object and sends what that operation sends (the library's public header
 * IVeltraEffectAPI.h says what, per operation):
 *
 * <ul>
 *   <li>operations that send a command return the library's {@code boolean} result, and never
 *       throw because the effect or the platform refused it;
 *   <li>queries return what the effect answered, or {@code null} when it refused;
 *   <li>{@link IllegalArgumentException}, naming the argument, for what the library would refuse
 *       before sending: a null text or array, arrays of different lengths, a value outside the
 *       field it travels in;
 *   <li>{@link IllegalStateException} for any call after {@link #close}.
 * </ul>
 *
 * <p>Integers the library treats as unsigned 32-bit values travel in {@code int} with the same
 * bits. Texts are sent as UTF-8.
 *
 * <p>Operations of the library's effect object not offered here, on purpose:
 *
 * <ul>
 *   <li>the listener callbacks {@code OnVTServerParameterSet}, {@code OnVTServerParameterArraySet},
 *       {@code OnVTServerParameterGet}, {@code OnVTServerParameterArrayGet}, {@code
 *       OnVTServerCustomOutputModeSet}, {@code OnVTServerLogLevelSet}, {@code
 *       OnVTServerLogOutputSet}, {@code OnVTServerMetersEnabled}, {@code OnVTServerCalibrateKv},
 *       {@code OnVTServerOutputModeSet}, {@code OnVTServerRecordingEnabled}, {@code
 *       OnVTServerRecordingDisabled}, {@code OnVTServerSoundModeSet}, {@code
 *       OnVTServerSystemVolumeSet}, {@code OnVTServerTagExSet}, {@code OnVTServerMpsFileSet} and
 *       {@code OnVTServerDump}: only the tuning server's executors call them, on the server's
 *       thread, for requests of the tuning tool; each does what an operation offered here does
 *       ({@link #presetSetParamsArrayEx}, {@link #vtServerParameterArrayGet}, {@link
 *       #setCustomOutputMode}, {@link #setLogLevel}, {@link #setLogOutput}, {@link
 *       #setMetersServerEnable}, {@link #calibrateKv}, {@link #setOutputMode}, {@link
 *       #setRecordingEnable}, {@link #setRecordingDisable}, {@link #setSoundMode}, {@link
 *       #setSystemVolume}, {@link #setTagEx}, {@link #loadPresets}, {@link #dump});
 *   <li>{@code CreateAudioEffect}: it hands out the library's own effect-instance object, which has
 *       no meaning outside the library;
 *   <li>the vector form of {@code SendCommand}: it sends the same bytes as {@link
 *       #sendCommand(int, byte[])};
 *   <li>{@code CreateTuningServers}: {@link #setTcpIpEnable} builds the tuning server when it first
 *       starts it, and a server built but never started serves nothing;
 *   <li>the destructor is {@link #close}.
 * </ul>
 *
 * <p>Calls may come from several threads at once, as the library allows; {@link #close} waits for
 * the calls in progress and for a listener call in progress on another thread.
 */
public final class VeltraEffect implements AutoCloseable {
    /** Effect type name of the playback effect. */
    public static final String VELTRA3 = "Veltra3";
    /** The other effect type name of the playback effect. */
    public static final String KORIMO2 = "Korimo2";
    /** Effect type name of the capture effect. */
    public static final String NIMBRA3_PROXY = "Nimbra3Proxy";
    /** Asks {@link #create} for the platform's default io handle. */
    public static final int INVALID_IO = -1;
    /** How many objects with a listener may be open at a time. */
    public static final int MAX_OBJECTS_WITH_LISTENER = 128;

    static {
        // libveltraeffectapi first: the JNI library depends on it.
        System.loadLibrary("veltraeffectapi");
        System.loadLibrary("veltraeffect_jni");
        // From here on the VM is going: a platform thread that ends later
        // (at the process's exit) must not call into it to detach.
        Runtime.getRuntime().addShutdownHook(new Thread(VeltraEffect::nativeVmExiting));
    }

    // Calls hold the read lock, close the write lock: the native object is
    // never deleted under a call in progress.
    private final ReentrantReadWriteLock lock = new ReentrantReadWriteLock();
    private final Object closeLock = new Object();
    private volatile boolean closed;
    private long handle;

    private VeltraEffect(long handle) {
        this.handle = handle;
    }

    /**
     * A new effect object through the library's factory; sends nothing, and no effect instance
     * exists before {@link #init}.
     *
     * @param effectName {@link #VELTRA3}, {@link #KORIMO2} (playback) or {@link #NIMBRA3_PROXY}
     *     (capture); any other name selects the playback effect
     * @param io the audio io handle; a negative one (such as {@link #INVALID_IO}) selects the
     *     platform's default
     * @param listener receives the platform's events; may be null
     * @throws IllegalArgumentException when effectName is null
     * @throws IllegalStateException when {@link #MAX_OBJECTS_WITH_LISTENER} objects with a
     *     listener are open already
     */
    public static VeltraEffect create(String effectName, int io, EffectListener listener) {
        return new VeltraEffect(nativeCreate(utf8(effectName, "effectName"), io, listener));
    }

    /** {@link #create} without a listener. */
    public static VeltraEffect create(String effectName, int io) {
        return create(effectName, io, null);
    }

    /**
     * Deletes the native object, once: its listener is not called after this returns, its tuning
     * server stops and its effect instances are released; nothing is sent. Later calls of any
     * other method throw {@link IllegalStateException}; closing again does nothing.
     */
    @Override
    public void close() {
        synchronized (closeLock) {
            if (closed) {
                return;
            }
            closed = true;
        }
        // First the listener, without the lock: a listener call in progress
        // may still call this object (and be refused) while close waits for it.
        nativeDetachListener(handle);
        lock.writeLock().lock();
        try {
            nativeDelete(handle);
            handle = 0;
        } finally {
            lock.writeLock().unlock();
        }
    }

    private long enter() {
        lock.readLock().lock();
        if (closed) {
            lock.readLock().unlock();
            throw new IllegalStateException("the effect object is closed");
        }
        return handle;
    }

    private void leave() {
        lock.readLock().unlock();
    }

    private static byte[] utf8(String text, String name) {
        if (text == null) {
            throw new IllegalArgumentException(name + " is null");
        }
        return text.getBytes(StandardCharsets.UTF_8);
    }

    private static void notNull(Object array, String name) {
        if (array == null) {
            throw new IllegalArgumentException(name + " is null");
        }
    }

    private static void sameLength(int first, int second, String firstName, String secondName) {
        if (first != second) {
            throw new IllegalArgumentException(secondName + " has " + second + " elements, "
                    + firstName + " " + first);
        }
    }

    private static void inU16(int value, String name) {
        if (value < 0 || value > 0xFFFF) {
            throw new IllegalArgumentException(name + " " + value + " is outside 0 to 65535");
        }
    }

    private static void notNegative(int value, String name) {
        if (value < 0) {
            throw new IllegalArgumentException(name + " " + value + " is negative");
        }
    }

    /** Creates the effect instance on the session with the priority (slot 0). */
    public boolean init(int priority, int sessionId) {
        long h = enter();
        try {
            return nativeInit(h, priority, sessionId);
        } finally {
            leave();
        }
    }

    /** Switches the named algorithm on or off, and the platform enable state with it. */
    public boolean setEnabled(String algorithm, boolean enabled) {
        byte[] alg = utf8(algorithm, "algorithm");
        long h = enter();
        try {
            return nativeSetEnabled(h, alg, enabled);
        } finally {
            leave();
        }
    }

    public boolean setOutputDeviceDetectionEnabled(boolean enabled) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_OUTPUT_DEVICE_DETECTION, enabled);
        } finally {
            leave();
        }
    }

    public boolean setVeltSenseEnabled(boolean enabled) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_VELT_SENSE, enabled);
        } finally {
            leave();
        }
    }

    public boolean clearParams() {
        long h = enter();
        try {
            return nativeNoData(h, OP_CLEAR_PARAMS);
        } finally {
            leave();
        }
    }

    /** Clears the parameters with these ids for the modes and sub-type mask. */
    public boolean clearParamsArray(int[] params, int outputMode, int soundMode, int subTypes,
            boolean alsoClearBasePreset) {
        notNull(params, "params");
        long h = enter();
        try {
            return nativeClearParamsArray(h, params, outputMode, soundMode, subTypes,
                    alsoClearBasePreset);
        } finally {
            leave();
        }
    }

    public boolean setTagEx(int outputMode, int soundMode, int tagDisable, int tagEnable) {
        long h = enter();
        try {
            return nativeSetTagEx(h, outputMode, soundMode, tagDisable, tagEnable);
        } finally {
            leave();
        }
    }

    /** The tag mask for the modes, or null when refused. */
    public Integer getTag(int outputMode, int soundMode) {
        long h = enter();
        try {
            return nativeGetTag(h, outputMode, soundMode, false);
        } finally {
            leave();
        }
    }

    public boolean setOutputMode(int outputMode) {
        long h = enter();
        try {
            return nativeSetInt(h, INT_OUTPUT_MODE, outputMode);
        } finally {
            leave();
        }
    }

    /** The active modes and tag mask, or null when refused. */
    public ActiveModes getActive() {
        long h = enter();
        try {
            return nativeGetActive(h);
        } finally {
            leave();
        }
    }

    /** Sets the level of a log tag in the effect and in the library's own log. */
    public boolean setLogLevel(String tagName, int level) {
        byte[] tag = utf8(tagName, "tagName");
        long h = enter();
        try {
            return nativeSetLogLevel(h, tag, level);
        } finally {
            leave();
        }
    }

    /** Loads the preset file and, unless it is empty, the user preset file. */
    public boolean loadPresets(String mpsFilePath, String userMpsFilePath) {
        byte[] mps = utf8(mpsFilePath, "mpsFilePath");
        byte[] user = utf8(userMpsFilePath, "userMpsFilePath");
        long h = enter();
        try {
            return nativeLoadPresets(h, mps, user);
        } finally {
            leave();
        }
    }

    public boolean loadPresetsFromChunk(byte[] chunk, int checksum, int chunkType,
            boolean isBasePreset) {
        notNull(chunk, "chunk");
        long h = enter();
        try {
            return nativeLoadPresetsFromChunk(h, chunk, checksum, chunkType, isBasePreset);
        } finally {
            leave();
        }
    }

    /**
     * Asks the effect for the user preset as a chunk of at most capacity bytes; null when refused
     * or when the chunk would not fit.
     */
    public UserPresetChunk saveUserPresetToChunk(int capacity, int value, int inOutValue) {
        notNegative(capacity, "capacity");
        long h = enter();
        try {
            return nativeSaveUserPresetToChunk(h, capacity, value, inOutValue);
        } finally {
            leave();
        }
    }

    public boolean openClientPipe(String filePath) {
        return pathOperation(OP_OPEN_CLIENT_PIPE, filePath, "filePath");
    }

    public boolean closeClientPipe() {
        long h = enter();
        try {
            return nativeNoData(h, OP_CLOSE_CLIENT_PIPE);
        } finally {
            leave();
        }
    }

    public boolean savePresets(String filePath) {
        return pathOperation(OP_SAVE_PRESETS, filePath, "filePath");
    }

    public boolean saveUserPresets(String filePath) {
        return pathOperation(OP_SAVE_USER_PRESETS, filePath, "filePath");
    }

    public boolean setRecordingEnable(String prefixPath) {
        return pathOperation(OP_RECORDING_ENABLE, prefixPath, "prefixPath");
    }

    public boolean setRecordingDisable() {
        long h = enter();
        try {
            return nativeNoData(h, OP_RECORDING_DISABLE);
        } finally {
            leave();
        }
    }

    /** Sets the parameters (ids and values pairwise) for the modes and sub-type mask. */
    public boolean presetSetParamsArrayEx(int[] params, double[] values, int outputMode,
            int soundMode, int subType, boolean addNonexistingParamsInSubpresetToBasePreset) {
        notNull(params, "params");
        notNull(values, "values");
        sameLength(params.length, values.length, "params", "values");
        long h = enter();
        try {
            return nativePresetSetParamsArrayEx(h, params, values, outputMode, soundMode, subType,
                    addNonexistingParamsInSubpresetToBasePreset);
        } finally {
            leave();
        }
    }

    /** The values of the parameters, the user preset included; null when refused. */
    public double[] presetGetUserParamsArray(int[] params, int outputMode, int soundMode,
            int subType, boolean isSubTypeCombined, boolean mustFindAll) {
        return getParams(GET_USER, params, outputMode, soundMode, subType, isSubTypeCombined,
                mustFindAll);
    }

    /** The values of the parameters, the user preset left out; null when refused. */
    public double[] presetGetBaseParamsArray(int[] params, int outputMode, int soundMode,
            int subType, boolean isSubTypeCombined, boolean mustFindAll) {
        return getParams(GET_BASE, params, outputMode, soundMode, subType, isSubTypeCombined,
                mustFindAll);
    }

    /** The values of the parameters, with or without the user preset; null when refused. */
    public double[] presetGetParamsArray(int[] params, int outputMode, int soundMode, int subType,
            boolean isSubTypeCombined, boolean mustFindAll, boolean includeUserPreset) {
        return getParams(includeUserPreset ? GET_EITHER_USER : GET_EITHER_BASE, params,
                outputMode, soundMode, subType, isSubTypeCombined, mustFindAll);
    }

    /**
     * The values of the parameters for every output and sound mode, as the tuning server reads
     * them; null when refused.
     */
    public double[] vtServerParameterArrayGet(int[] params) {
        notNull(params, "params");
        long h = enter();
        try {
            return nativeVtServerParameterArrayGet(h, params);
        } finally {
            leave();
        }
    }

    public boolean setSoundMode(int soundMode) {
        long h = enter();
        try {
            return nativeSetInt(h, INT_SOUND_MODE, soundMode);
        } finally {
            leave();
        }
    }

    public boolean setSmoothingEnable(boolean enabled) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_SMOOTHING, enabled);
        } finally {
            leave();
        }
    }

    public boolean setCustomOutputMode(int firstOutputMode, int secondOutputMode) {
        long h = enter();
        try {
            return nativeSetCustomOutputMode(h, firstOutputMode, secondOutputMode);
        } finally {
            leave();
        }
    }

    /**
     * Starts the tuning server on the port (every interface, no authentication) or stops it; sends
     * nothing to the effect. Not to be called from a listener.
     */
    public boolean setTcpIpEnable(boolean enable, int port) {
        long h = enter();
        try {
            return nativeSetTcpIpEnable(h, enable, port);
        } finally {
            leave();
        }
    }

    public boolean setMetersServerEnable(boolean enable) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_METERS_SERVER, enable);
        } finally {
            leave();
        }
    }

    /** How many output modes the effect supports, or null when refused. */
    public Integer getSupportedOutputModeCount() {
        long h = enter();
        try {
            return nativeGetCount(h, COUNT_OUTPUT_MODES);
        } finally {
            leave();
        }
    }

    /**
     * The count supported output modes in ascending id order, or null when refused or when the
     * effect did not answer for exactly count modes.
     */
    public OutputMode[] getSupportedOutputModeNames(int count) {
        notNegative(count, "count");
        long h = enter();
        try {
            return nativeGetSupportedOutputModeNames(h, count);
        } finally {
            leave();
        }
    }

    /** The mask of supported tags for the modes, or null when refused. */
    public Integer getSupportedTag(int outputMode, int soundMode) {
        long h = enter();
        try {
            return nativeGetTag(h, outputMode, soundMode, true);
        } finally {
            leave();
        }
    }

    public boolean createAndListenUnixServerSocket(boolean isAbstractSocket, String filePath) {
        byte[] path = utf8(filePath, "filePath");
        long h = enter();
        try {
            return nativeCreateAndListenUnixServerSocket(h, isAbstractSocket, path);
        } finally {
            leave();
        }
    }

    public boolean closeAndDestroyUnixServerSocket(String filePath) {
        return pathOperation(OP_CLOSE_UNIX_SOCKET, filePath, "filePath");
    }

    public boolean calibrateKv() {
        long h = enter();
        try {
            return nativeNoData(h, OP_CALIBRATE_KV);
        } finally {
            leave();
        }
    }

    public boolean setSensorFusionEnabled(boolean enabled) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_SENSOR_FUSION, enabled);
        } finally {
            leave();
        }
    }

    /** @param rate 0 to 65535 (it travels in 16 bits) */
    public boolean setTrackingDataRate(int rate) {
        inU16(rate, "rate");
        long h = enter();
        try {
            return nativeSetInt(h, INT_TRACKING_DATA_RATE, rate);
        } finally {
            leave();
        }
    }

    public boolean setPresetSelectorIndex(int index) {
        long h = enter();
        try {
            return nativeSetInt(h, INT_PRESET_SELECTOR_INDEX, index);
        } finally {
            leave();
        }
    }

    /** @param algName at most 127 bytes in UTF-8 */
    public boolean setForceBypass(int io, int sessionId, String algName, int useCase,
            boolean forceBypass) {
        byte[] alg = utf8(algName, "algName");
        if (alg.length > 127) {
            throw new IllegalArgumentException("algName is " + alg.length
                    + " bytes in UTF-8, more than 127");
        }
        long h = enter();
        try {
            return nativeSetForceBypass(h, io, sessionId, alg, useCase, forceBypass);
        } finally {
            leave();
        }
    }

    /**
     * Sends the buffer's bytes; returns a copy of the buffer with the effect's reply written over
     * its start, or null when refused. The buffer itself is not changed.
     */
    public byte[] transactBuffer(byte[] buffer) {
        notNull(buffer, "buffer");
        long h = enter();
        try {
            return nativeTransactBuffer(h, buffer);
        } finally {
            leave();
        }
    }

    /**
     * For each (first, second) pair, whether it is a default; null when refused. When the effect's
     * answer does not parse, every flag is false.
     */
    public boolean[] getDefaultSoundMode(int[] firstValues, int[] secondValues) {
        notNull(firstValues, "firstValues");
        notNull(secondValues, "secondValues");
        sameLength(firstValues.length, secondValues.length, "firstValues", "secondValues");
        long h = enter();
        try {
            return nativeGetDefaultSoundMode(h, firstValues, secondValues);
        } finally {
            leave();
        }
    }

    /** How many sound modes the effect supports, or null when refused. */
    public Integer getSupportedSoundModeCount() {
        long h = enter();
        try {
            return nativeGetCount(h, COUNT_SOUND_MODES);
        } finally {
            leave();
        }
    }

    /** The count supported sound mode values, or null when refused. */
    public int[] getSupportedSoundModeValues(int count) {
        notNegative(count, "count");
        long h = enter();
        try {
            return nativeGetSupportedSoundModeValues(h, count);
        } finally {
            leave();
        }
    }

    /** Adds or removes a session that {@link #setEnabled} propagates to; sends nothing. */
    public boolean setAudioSession(int sessionId, boolean add) {
        long h = enter();
        try {
            return nativeSetAudioSession(h, sessionId, add);
        } finally {
            leave();
        }
    }

    /** Triggers the effect's session data request. */
    public boolean getSessionData() {
        long h = enter();
        try {
            return nativeNoData(h, OP_GET_SESSION_DATA);
        } finally {
            leave();
        }
    }

    public boolean setConfigByChunk(byte[] chunk, int checksum, int chunkType) {
        notNull(chunk, "chunk");
        long h = enter();
        try {
            return nativeSetConfigByChunk(h, chunk, checksum, chunkType);
        } finally {
            leave();
        }
    }

    public boolean clearConfig() {
        long h = enter();
        try {
            return nativeNoData(h, OP_CLEAR_CONFIG);
        } finally {
            leave();
        }
    }

    /** Switches a log output in the effect and in the library's own log. */
    public boolean setLogOutput(String outputName, boolean enable) {
        byte[] name = utf8(outputName, "outputName");
        long h = enter();
        try {
            return nativeSetLogOutput(h, name, enable);
        } finally {
            leave();
        }
    }

    public boolean setSystemVolume(double volume) {
        long h = enter();
        try {
            return nativeSetSystemVolume(h, volume);
        } finally {
            leave();
        }
    }

    public boolean dump() {
        long h = enter();
        try {
            return nativeNoData(h, OP_DUMP);
        } finally {
            leave();
        }
    }

    /** Whether the effect asks for the platform's processing to be on. */
    public boolean shouldEnableAndroidEffect() {
        long h = enter();
        try {
            return nativeShouldEnableAndroidEffect(h);
        } finally {
            leave();
        }
    }

    /** Sends a command code without data. */
    public boolean sendCommand(int code) {
        long h = enter();
        try {
            return nativeSendCommand(h, code);
        } finally {
            leave();
        }
    }

    /** Sends a command code with the request bytes. */
    public boolean sendCommand(int code, byte[] request) {
        notNull(request, "request");
        long h = enter();
        try {
            return nativeSendCommandData(h, code, request);
        } finally {
            leave();
        }
    }

    /**
     * Sends a command code with the request bytes and room for a reply of replyCapacity bytes;
     * returns the reply, as long as the platform reported, or null when refused.
     */
    public byte[] sendCommand(int code, byte[] request, int replyCapacity) {
        notNull(request, "request");
        notNegative(replyCapacity, "replyCapacity");
        long h = enter();
        try {
            return nativeSendCommandReply(h, code, request, replyCapacity);
        } finally {
            leave();
        }
    }

    private boolean pathOperation(int op, String path, String name) {
        byte[] bytes = utf8(path, name);
        long h = enter();
        try {
            return nativeText(h, op, bytes);
        } finally {
            leave();
        }
    }

    private double[] getParams(int which, int[] params, int outputMode, int soundMode,
            int subType, boolean isSubTypeCombined, boolean mustFindAll) {
        notNull(params, "params");
        long h = enter();
        try {
            return nativeGetParams(h, which, params, outputMode, soundMode, subType,
                    isSubTypeCombined, mustFindAll);
        } finally {
            leave();
        }
    }

    // Selectors of the native methods that serve several operations of one shape.
    static final int OP_CLEAR_PARAMS = 0;
    static final int OP_CLOSE_CLIENT_PIPE = 1;
    static final int OP_RECORDING_DISABLE = 2;
    static final int OP_CALIBRATE_KV = 3;
    static final int OP_GET_SESSION_DATA = 4;
    static final int OP_CLEAR_CONFIG = 5;
    static final int OP_DUMP = 6;
    static final int OP_OPEN_CLIENT_PIPE = 10;
    static final int OP_SAVE_PRESETS = 11;
    static final int OP_SAVE_USER_PRESETS = 12;
    static final int OP_RECORDING_ENABLE = 13;
    static final int OP_CLOSE_UNIX_SOCKET = 14;
    static final int FLAG_OUTPUT_DEVICE_DETECTION = 0;
    static final int FLAG_VELT_SENSE = 1;
    static final int FLAG_SMOOTHING = 2;
    static final int FLAG_METERS_SERVER = 3;
    static final int FLAG_SENSOR_FUSION = 4;
    static final int INT_OUTPUT_MODE = 0;
    static final int INT_SOUND_MODE = 1;
    static final int INT_TRACKING_DATA_RATE = 2;
    static final int INT_PRESET_SELECTOR_INDEX = 3;
    static final int COUNT_OUTPUT_MODES = 0;
    static final int COUNT_SOUND_MODES = 1;
    static final int GET_USER = 0;
    static final int GET_BASE = 1;
    static final int GET_EITHER_USER = 2;
    static final int GET_EITHER_BASE = 3;

    private static native void nativeVmExiting();
    private static native long nativeCreate(byte[] effectName, int io, EffectListener listener);
    private static native void nativeDetachListener(long handle);
    private static native void nativeDelete(long handle);
    private static native boolean nativeInit(long handle, int priority, int sessionId);
    private static native boolean nativeSetEnabled(long handle, byte[] alg, boolean enabled);
    private static native boolean nativeSetFlag(long handle, int flag, boolean enabled);
    private static native boolean nativeNoData(long handle, int op);
    private static native boolean nativeText(long handle, int op, byte[] text);
    private static native boolean nativeSetInt(long handle, int which, int value);
    private static native boolean nativeClearParamsArray(long handle, int[] params,
            int outputMode, int soundMode, int subTypes, boolean alsoClearBasePreset);
    private static native boolean nativeSetTagEx(long handle, int outputMode, int soundMode,
            int tagDisable, int tagEnable);
    private static native Integer nativeGetTag(long handle, int outputMode, int soundMode,
            boolean supported);
    private static native ActiveModes nativeGetActive(long handle);
    private static native boolean nativeSetLogLevel(long handle, byte[] tag, int level);
    private static native boolean nativeLoadPresets(long handle, byte[] mps, byte[] user);
    private static native boolean nativeLoadPresetsFromChunk(long handle, byte[] chunk,
            int checksum, int chunkType, boolean isBasePreset);
    private static native UserPresetChunk nativeSaveUserPresetToChunk(long handle, int capacity,
            int value, int inOutValue);
    private static native boolean nativePresetSetParamsArrayEx(long handle, int[] params,
            double[] values, int outputMode, int soundMode, int subType, boolean addNonexisting);
    private static native double[] nativeGetParams(long handle, int which, int[] params,
            int outputMode, int soundMode, int subType, boolean isSubTypeCombined,
            boolean mustFindAll);
    private static native double[] nativeVtServerParameterArrayGet(long handle, int[] params);
    private static native boolean nativeSetCustomOutputMode(long handle, int first, int second);
    private static native boolean nativeSetTcpIpEnable(long handle, boolean enable, int port);
    private static native Integer nativeGetCount(long handle, int which);
    private static native OutputMode[] nativeGetSupportedOutputModeNames(long handle, int count);
    private static native boolean nativeCreateAndListenUnixServerSocket(long handle,
            boolean isAbstractSocket, byte[] path);
    private static native boolean nativeSetForceBypass(long handle, int io, int sessionId,
            byte[] alg, int useCase, boolean forceBypass);
    private static native byte[] nativeTransactBuffer(long handle, byte[] buffer);
    private static native boolean[] nativeGetDefaultSoundMode(long handle, int[] first,
            int[] second);
    private static native int[] nativeGetSupportedSoundModeValues(long handle, int count);
    private static native boolean nativeSetAudioSession(long handle, int sessionId, boolean add);
    private static native boolean nativeSetConfigByChunk(long handle, byte[] chunk, int checksum,
            int chunkType);
    private static native boolean nativeSetLogOutput(long handle, byte[] name, boolean enable);
    private static native boolean nativeSetSystemVolume(long handle, double volume);
    private static native boolean nativeShouldEnableAndroidEffect(long handle);
    private static native boolean nativeSendCommand(long handle, int code);
    private static native boolean nativeSendCommandData(long handle, int code, byte[] request);
    private static native byte[] nativeSendCommandReply(long handle, int code, byte[] request,
            int replyCapacity);
}
