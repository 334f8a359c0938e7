package veltraeffectapi;

import java.nio.charset.StandardCharsets;
import java.util.concurrent.locks.ReentrantReadWriteLock;

/**
 * The effect-control object of libveltraeffectapi, for Java and Kotlin.
 *
 * <p>Made by {@link #create} through the library's factory; {@link #init} creates the effect
 * instance in the platform audio server, the other methods steer it. Each method is one operation
 * of the library's effect object and sends what that operation sends (the byte layout of each
 * request is in the library's public header IVeltraEffectAPI.h):
 *
 * <ul>
 *   <li>operations that send a command return the library's {@code boolean} result: {@code true}
 *       when the effect accepted it, {@code false} when it was not sent (no {@link #init} yet, no
 *       shim) or the platform or the effect refused it; they never throw for a refusal;
 *   <li>queries return what the effect answered, or {@code null} when it refused or could not be
 *       asked;
 *   <li>{@link IllegalArgumentException} for what would be refused or cut before sending: a null
 *       text or array, arrays of different lengths, a value outside the field it travels in (for
 *       example an output mode outside 0 to 65535, which travels in 16 bits); the message names
 *       the argument, its value and the range;
 *   <li>{@link IllegalStateException} for any call after {@link #close}.
 * </ul>
 *
 * <p>Integers the library treats as unsigned 32-bit values (tag masks, sub-type masks, ids,
 * checksums) travel in {@code int} with the same bits: {@code 0xFFFFFFFF} is {@code -1}. Texts
 * are sent as UTF-8.
 *
 * <p>Modes: an output mode is the id of an output (speaker, headphone, ...) as {@link
 * #getSupportedOutputModeNames} lists them; a sound mode is one of {@link
 * #getSupportedSoundModeValues}. Parameters are stored per output mode, sound mode and sub-type
 * mask; {@link #ALL_MODES} names the parameters that hold for every output and sound mode, and
 * {@link #SUB_TYPES_NONE} and {@link #SUB_TYPES_ALL} are the two sub-type masks the tuning server
 * itself uses.
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

    /**
     * The output and sound mode that stands for every mode in the parameter operations: the
     * tuning server sets its parameters for it. In the operations whose modes travel in 16 bits
     * it travels as 0xFFFD, and it matches only parameters that were set for {@code ALL_MODES}.
     */
    public static final int ALL_MODES = -3;
    /** Sub-type mask 0: the parameters of no sub-type, the plain preset. */
    public static final int SUB_TYPES_NONE = 0;
    /** Sub-type mask 0xFFFFFFFF (every bit; -1 in an int): the parameters of every sub-type. */
    public static final int SUB_TYPES_ALL = 0xFFFFFFFF;

    /** Log level for {@link #setLogLevel}: every record. */
    public static final int LOG_LEVEL_VERBOSE = 0;
    /** Log level: debug records and above. */
    public static final int LOG_LEVEL_DEBUG = 1;
    /** Log level: information and above; every tag starts at this level. */
    public static final int LOG_LEVEL_INFO = 2;
    /** Log level: warnings and errors. */
    public static final int LOG_LEVEL_WARNING = 3;
    /** Log level: errors only (errors are written whatever the level). */
    public static final int LOG_LEVEL_ERROR = 4;

    /** Log tag name for {@link #setLogLevel} that sets every tag at once. */
    public static final String LOG_TAG_ALL = "TARVO_LOG_ALL";
    /** Log tag of the library's effect object and its operations. */
    public static final String LOG_TAG_FX_MODULE = "TARVO_LOG_FXModule";
    /** Log tag of the effect library. */
    public static final String LOG_TAG_FX_LIBRARY = "TARVO_LOG_FXLibrary";
    /** Log tag of the JNI layers. */
    public static final String LOG_TAG_JNI = "TARVO_LOG_JNI";
    /** Log tag of the OpenSL ES layer. */
    public static final String LOG_TAG_OPENSLES = "TARVO_LOG_OpenSLES";
    /** Log tag of the media player's JNI layer. */
    public static final String LOG_TAG_MEDIA_PLAYER_JNI = "TARVO_LOG_MediaPlayerJni";
    /** Log tag of unit tests. */
    public static final String LOG_TAG_UNIT_TEST = "TARVO_LOG_UnitTest";
    /** Log tag of preset handling. */
    public static final String LOG_TAG_PRESET = "TARVO_LOG_Preset";
    /** Log tag of the effect's algorithms. */
    public static final String LOG_TAG_ALG_FX = "TARVO_LOG_AlgFx";
    /** Log tag for records without a tag of their own. */
    public static final String LOG_TAG_DEFAULT = "TARVO_LOG_DefaultLog";

    /** Log output name for {@link #setLogOutput}: the platform log; the only one on at start. */
    public static final String LOG_OUTPUT_ANDROID = "ANDROID_LOG";
    /** Log output name: the process's standard output. */
    public static final String LOG_OUTPUT_STDOUT = "STDOUT_LOG";
    /** Log output name: the process's standard error. */
    public static final String LOG_OUTPUT_STDERR = "STDERR_LOG";
    /**
     * Log output name of the file output without a file: enabling it alone drops its lines;
     * {@link #fileLogOutput} names the file.
     */
    public static final String LOG_OUTPUT_FILE = "FILE_LOG";
    /** What {@link #fileLogOutput} puts before the file's path. */
    public static final String LOG_OUTPUT_FILE_PREFIX = "FILE_LOG://";

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
     * The log output name that appends the records to a file.
     *
     * @param path the file's absolute path; the process must be allowed to create and append to it
     * @return {@code "FILE_LOG://" + path}, for {@link #setLogOutput}
     * @throws IllegalArgumentException when path is null
     */
    public static String fileLogOutput(String path) {
        if (path == null) {
            throw new IllegalArgumentException("path is null");
        }
        return LOG_OUTPUT_FILE_PREFIX + path;
    }

    /**
     * A new effect object through the library's factory; sends nothing, and no effect instance
     * exists before {@link #init}.
     *
     * @param effectName {@link #VELTRA3}, {@link #KORIMO2} (playback) or {@link #NIMBRA3_PROXY}
     *     (capture); any other name selects the playback effect
     * @param io the audio io handle; a negative one (such as {@link #INVALID_IO}) selects the
     *     platform's default
     * @param listener receives the platform's events on the platform's thread; null for none
     * @return the new object, to be closed with {@link #close}
     * @throws IllegalArgumentException when effectName is null
     * @throws IllegalStateException when {@link #MAX_OBJECTS_WITH_LISTENER} objects with a
     *     listener are open already
     */
    public static VeltraEffect create(String effectName, int io, EffectListener listener) {
        return new VeltraEffect(nativeCreate(utf8(effectName, "effectName"), io, listener));
    }

    /**
     * {@link #create(String, int, EffectListener)} without a listener.
     *
     * @param effectName the effect type name, as there
     * @param io the audio io handle, as there
     * @return the new object, to be closed with {@link #close}
     */
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
            throw new IllegalArgumentException(name + " " + value
                    + " is outside 0 to 65535 (it travels in 16 bits)");
        }
    }

    // A mode that travels in 16 bits: 0 to 65535, or ALL_MODES.
    private static void mode16(int value, String name) {
        if (value != ALL_MODES && (value < 0 || value > 0xFFFF)) {
            throw new IllegalArgumentException(name + " " + value
                    + " is outside 0 to 65535 and is not ALL_MODES (-3) (it travels in 16 bits)");
        }
    }

    private static void notNegative(int value, String name) {
        if (value < 0) {
            throw new IllegalArgumentException(name + " " + value
                    + " is negative (0 to 2147483647)");
        }
    }

    /**
     * Creates the effect instance in the platform audio server, releasing an earlier one; every
     * other operation that sends needs it.
     *
     * @param priority the instance's priority in the audio server (0 for a normal client; any
     *     int)
     * @param sessionId the audio session the effect attaches to (0: the output mix; any int)
     * @return true when the instance exists and passed its init check; false when the platform
     *     refused it or the shim could not be loaded (the error record says why); init may then
     *     be called again
     */
    public boolean init(int priority, int sessionId) {
        long h = enter();
        try {
            return nativeInit(h, priority, sessionId);
        } finally {
            leave();
        }
    }

    /**
     * Switches one of the effect's algorithms on or off, then sets the platform's enable state of
     * the effect, and of each session of {@link #setAudioSession}, to what {@link
     * #shouldEnableAndroidEffect} answers.
     *
     * @param algorithm the algorithm's name, as the effect knows it (for example "virtualizer")
     * @param enabled true switches it on, false off
     * @return false when the effect refused the switch, or the platform refused an enable state
     * @throws IllegalArgumentException when algorithm is null
     */
    public boolean setEnabled(String algorithm, boolean enabled) {
        byte[] alg = utf8(algorithm, "algorithm");
        long h = enter();
        try {
            return nativeSetEnabled(h, alg, enabled);
        } finally {
            leave();
        }
    }

    /**
     * Lets the effect follow the output device (switching output mode when headphones are
     * plugged in, for example), or not.
     *
     * @param enabled true: the effect detects the output device; false: it keeps the output mode
     *     set
     * @return the library's result
     */
    public boolean setOutputDeviceDetectionEnabled(boolean enabled) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_OUTPUT_DEVICE_DETECTION, enabled);
        } finally {
            leave();
        }
    }

    /**
     * Switches the effect's sensing feature on or off.
     *
     * @param enabled true on, false off
     * @return the library's result
     */
    public boolean setVeltSenseEnabled(boolean enabled) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_VELT_SENSE, enabled);
        } finally {
            leave();
        }
    }

    /**
     * Clears every parameter set in the user preset (the base preset stays).
     *
     * @return the library's result
     */
    public boolean clearParams() {
        long h = enter();
        try {
            return nativeNoData(h, OP_CLEAR_PARAMS);
        } finally {
            leave();
        }
    }

    /**
     * Clears the parameters with these ids that were set for exactly these modes and sub-type
     * mask.
     *
     * @param params the parameter ids (32 bits unsigned each); may be empty
     * @param outputMode the output mode, 0 to 65535 or {@link #ALL_MODES} (16 bits)
     * @param soundMode the sound mode, 0 to 65535 or {@link #ALL_MODES} (16 bits)
     * @param subTypes the sub-type mask (32 bits unsigned), such as {@link #SUB_TYPES_NONE} or
     *     {@link #SUB_TYPES_ALL}
     * @param alsoClearBasePreset true clears them in the base preset as well; false in the user
     *     preset only
     * @return the library's result
     * @throws IllegalArgumentException when params is null or a mode is out of range
     */
    public boolean clearParamsArray(int[] params, int outputMode, int soundMode, int subTypes,
            boolean alsoClearBasePreset) {
        notNull(params, "params");
        mode16(outputMode, "outputMode");
        mode16(soundMode, "soundMode");
        long h = enter();
        try {
            return nativeClearParamsArray(h, params, outputMode, soundMode, subTypes,
                    alsoClearBasePreset);
        } finally {
            leave();
        }
    }

    /**
     * Changes the tag mask of a pair of modes: the bits of tagDisable are cleared, then those of
     * tagEnable set.
     *
     * @param outputMode the output mode (32 bits; any int, {@link #ALL_MODES} included)
     * @param soundMode the sound mode (32 bits; any int, {@link #ALL_MODES} included)
     * @param tagDisable the tag bits to clear, 0 to 0xFFFF (16 bits)
     * @param tagEnable the tag bits to set, 0 to 0xFFFF (16 bits)
     * @return the library's result
     * @throws IllegalArgumentException when a mask is outside 16 bits
     */
    public boolean setTagEx(int outputMode, int soundMode, int tagDisable, int tagEnable) {
        inU16(tagDisable, "tagDisable");
        inU16(tagEnable, "tagEnable");
        long h = enter();
        try {
            return nativeSetTagEx(h, outputMode, soundMode, tagDisable, tagEnable);
        } finally {
            leave();
        }
    }

    /**
     * The tag mask of a pair of modes.
     *
     * @param outputMode the output mode, 0 to 65535 or {@link #ALL_MODES} (16 bits)
     * @param soundMode the sound mode, 0 to 65535 or {@link #ALL_MODES} (16 bits)
     * @return the mask (32 bits unsigned in an int), or null when the effect refused
     * @throws IllegalArgumentException when a mode is out of range
     */
    public Integer getTag(int outputMode, int soundMode) {
        mode16(outputMode, "outputMode");
        mode16(soundMode, "soundMode");
        long h = enter();
        try {
            return nativeGetTag(h, outputMode, soundMode, false);
        } finally {
            leave();
        }
    }

    /**
     * Selects the output mode the effect plays with.
     *
     * @param outputMode an id of {@link #getSupportedOutputModeNames}, 0 to 65535 (16 bits)
     * @return the library's result
     * @throws IllegalArgumentException when outputMode is outside 0 to 65535
     */
    public boolean setOutputMode(int outputMode) {
        inU16(outputMode, "outputMode");
        long h = enter();
        try {
            return nativeSetInt(h, INT_OUTPUT_MODE, outputMode);
        } finally {
            leave();
        }
    }

    /**
     * The modes the effect plays with and its tag mask.
     *
     * @return the active modes, or null when the effect refused
     */
    public ActiveModes getActive() {
        long h = enter();
        try {
            return nativeGetActive(h);
        } finally {
            leave();
        }
    }

    /**
     * Sets the log level of a tag, in the effect and in this library's own log (the latter also
     * when the effect refused).
     *
     * @param tagName a tag, such as {@link #LOG_TAG_FX_MODULE}, or {@link #LOG_TAG_ALL} for every
     *     tag
     * @param level {@link #LOG_LEVEL_VERBOSE} (0) to {@link #LOG_LEVEL_ERROR} (4); the library's
     *     own log refuses other levels (and the result is false)
     * @return true only when the effect and the library's own log both took it
     * @throws IllegalArgumentException when tagName is null
     */
    public boolean setLogLevel(String tagName, int level) {
        byte[] tag = utf8(tagName, "tagName");
        long h = enter();
        try {
            return nativeSetLogLevel(h, tag, level);
        } finally {
            leave();
        }
    }

    /**
     * Has the effect load a preset file and a user preset file. The paths are opened by the
     * effect, in the audio server's process, under its permissions.
     *
     * @param mpsFilePath the preset file's path
     * @param userMpsFilePath the user preset file's path; the empty text for none
     * @return the library's result (false also when the effect could not read a file)
     * @throws IllegalArgumentException when a path is null
     */
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

    /**
     * Has the effect load a preset from a chunk of bytes (as {@link #saveUserPresetToChunk}
     * returns one).
     *
     * @param chunk the preset's bytes; may be empty
     * @param checksum the chunk's checksum as the effect computes it (32 bits unsigned)
     * @param chunkType the chunk's type, the effect's number (32 bits unsigned)
     * @param isBasePreset true loads it as the base preset, false as the user preset
     * @return the library's result
     * @throws IllegalArgumentException when chunk is null
     */
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
     * Asks the effect for the user preset as a chunk of bytes.
     *
     * @param capacity the most bytes the chunk may have, 0 to 2147483647
     * @param value a value passed to the effect (32 bits unsigned); its meaning is the effect's
     * @param inOutValue a value passed to the effect and returned by it (32 bits unsigned)
     * @return the chunk and the reply's values; null when the effect refused or its chunk would
     *     not fit capacity bytes
     * @throws IllegalArgumentException when capacity is negative
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

    /**
     * Has the effect open a client pipe at the path, over which it streams its data.
     *
     * @param filePath the pipe's path, opened by the effect
     * @return the library's result
     * @throws IllegalArgumentException when filePath is null
     */
    public boolean openClientPipe(String filePath) {
        return pathOperation(OP_OPEN_CLIENT_PIPE, filePath, "filePath");
    }

    /**
     * Has the effect close its client pipe.
     *
     * @return the library's result
     */
    public boolean closeClientPipe() {
        long h = enter();
        try {
            return nativeNoData(h, OP_CLOSE_CLIENT_PIPE);
        } finally {
            leave();
        }
    }

    /**
     * Has the effect write its base preset to a file.
     *
     * @param filePath the file's path, written by the effect in the audio server's process
     * @return the library's result
     * @throws IllegalArgumentException when filePath is null
     */
    public boolean savePresets(String filePath) {
        return pathOperation(OP_SAVE_PRESETS, filePath, "filePath");
    }

    /**
     * Has the effect write its user preset to a file.
     *
     * @param filePath the file's path, written by the effect in the audio server's process
     * @return the library's result
     * @throws IllegalArgumentException when filePath is null
     */
    public boolean saveUserPresets(String filePath) {
        return pathOperation(OP_SAVE_USER_PRESETS, filePath, "filePath");
    }

    /**
     * Has the effect record its audio to files.
     *
     * @param prefixPath the path the recording files' names start with
     * @return the library's result
     * @throws IllegalArgumentException when prefixPath is null
     */
    public boolean setRecordingEnable(String prefixPath) {
        return pathOperation(OP_RECORDING_ENABLE, prefixPath, "prefixPath");
    }

    /**
     * Stops the effect's recording.
     *
     * @return the library's result
     */
    public boolean setRecordingDisable() {
        long h = enter();
        try {
            return nativeNoData(h, OP_RECORDING_DISABLE);
        } finally {
            leave();
        }
    }

    /**
     * Sets parameters, ids and values pairwise, in the user preset for the modes and sub-type
     * mask.
     *
     * @param params the parameter ids (32 bits unsigned each); may be empty
     * @param values one value per id
     * @param outputMode the output mode (32 bits; any int), {@link #ALL_MODES} for every mode
     * @param soundMode the sound mode (32 bits; any int), {@link #ALL_MODES} for every mode
     * @param subType the sub-type mask (32 bits unsigned), such as {@link #SUB_TYPES_NONE}
     * @param addNonexistingParamsInSubpresetToBasePreset true also puts each id the base preset
     *     lacks for these modes and mask into the base preset; false leaves the base preset alone
     * @return the library's result
     * @throws IllegalArgumentException when an array is null or their lengths differ
     */
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

    /**
     * {@link #presetGetParamsArray} with the user preset included.
     *
     * @param params the parameter ids, as there
     * @param outputMode the output mode, as there
     * @param soundMode the sound mode, as there
     * @param subType the sub-type mask, as there
     * @param isSubTypeCombined as there
     * @param mustFindAll as there
     * @return the values, or null as there
     */
    public double[] presetGetUserParamsArray(int[] params, int outputMode, int soundMode,
            int subType, boolean isSubTypeCombined, boolean mustFindAll) {
        return getParams(GET_USER, params, outputMode, soundMode, subType, isSubTypeCombined,
                mustFindAll);
    }

    /**
     * {@link #presetGetParamsArray} with the user preset left out: the base preset only.
     *
     * @param params the parameter ids, as there
     * @param outputMode the output mode, as there
     * @param soundMode the sound mode, as there
     * @param subType the sub-type mask, as there
     * @param isSubTypeCombined as there
     * @param mustFindAll as there
     * @return the values, or null as there
     */
    public double[] presetGetBaseParamsArray(int[] params, int outputMode, int soundMode,
            int subType, boolean isSubTypeCombined, boolean mustFindAll) {
        return getParams(GET_BASE, params, outputMode, soundMode, subType, isSubTypeCombined,
                mustFindAll);
    }

    /**
     * Reads parameter values for a pair of modes and a sub-type mask.
     *
     * <p>Values set by {@link #presetSetParamsArrayEx} go to the user preset: with
     * includeUserPreset false they are not read (unless they were added to the base preset too).
     * So after setting ids for {@link #ALL_MODES}, {@code presetGetParamsArray(ids, ALL_MODES,
     * ALL_MODES, SUB_TYPES_NONE, false, true, false)} answers null when the base preset lacks one
     * of them: mustFindAll is true and the user preset, where they are, was left out.
     *
     * @param params the parameter ids (32 bits unsigned each); may be empty
     * @param outputMode the output mode, 0 to 65535 or {@link #ALL_MODES} (16 bits)
     * @param soundMode the sound mode, 0 to 65535 or {@link #ALL_MODES} (16 bits)
     * @param subType the sub-type mask (32 bits unsigned)
     * @param isSubTypeCombined true: a parameter stored under any mask that holds all bits of
     *     subType answers; false: only one stored under exactly subType
     * @param mustFindAll true: the effect refuses (null) when any id has no value; false: an id
     *     without a value reads 0.0
     * @param includeUserPreset true: the user preset is looked at first, then the base preset;
     *     false: the base preset only
     * @return one value per id in their order, or null when the effect refused (an id not found
     *     with mustFindAll, no {@link #init}, the platform refused)
     * @throws IllegalArgumentException when params is null or a mode is out of range
     */
    public double[] presetGetParamsArray(int[] params, int outputMode, int soundMode, int subType,
            boolean isSubTypeCombined, boolean mustFindAll, boolean includeUserPreset) {
        return getParams(includeUserPreset ? GET_EITHER_USER : GET_EITHER_BASE, params,
                outputMode, soundMode, subType, isSubTypeCombined, mustFindAll);
    }

    /**
     * Reads parameter values as the tuning server does: for every output and sound mode, sub-type
     * mask 0 combined, user preset included, an id without a value reading 0.0.
     *
     * @param params the parameter ids (32 bits unsigned each); may be empty
     * @return one value per id in their order, or null when the effect refused
     * @throws IllegalArgumentException when params is null
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

    /**
     * Selects the sound mode the effect plays with.
     *
     * @param soundMode a value of {@link #getSupportedSoundModeValues}, 0 to 65535 (16 bits)
     * @return the library's result
     * @throws IllegalArgumentException when soundMode is outside 0 to 65535
     */
    public boolean setSoundMode(int soundMode) {
        inU16(soundMode, "soundMode");
        long h = enter();
        try {
            return nativeSetInt(h, INT_SOUND_MODE, soundMode);
        } finally {
            leave();
        }
    }

    /**
     * Lets the effect smooth parameter changes over time, or apply them at once.
     *
     * @param enabled true smooths, false applies at once
     * @return the library's result
     */
    public boolean setSmoothingEnable(boolean enabled) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_SMOOTHING, enabled);
        } finally {
            leave();
        }
    }

    /**
     * Selects a custom output mode made of two output modes.
     *
     * @param firstOutputMode the first output mode, 0 to 65535 (16 bits)
     * @param secondOutputMode the second output mode, 0 to 65535 (16 bits)
     * @return the library's result
     * @throws IllegalArgumentException when a mode is outside 0 to 65535
     */
    public boolean setCustomOutputMode(int firstOutputMode, int secondOutputMode) {
        inU16(firstOutputMode, "firstOutputMode");
        inU16(secondOutputMode, "secondOutputMode");
        long h = enter();
        try {
            return nativeSetCustomOutputMode(h, firstOutputMode, secondOutputMode);
        } finally {
            leave();
        }
    }

    /**
     * Starts the tuning server (every interface, no authentication: development only) or stops
     * it; sends nothing to the effect. Not to be called from a listener.
     *
     * @param enable true starts it, false stops it
     * @param port the TCP port to listen on when starting, 0 to 65535 (0: a free port the system
     *     picks); not looked at when stopping
     * @return when starting, true when it listens and its thread runs; when stopping, true
     * @throws IllegalArgumentException when enable is true and port is outside 0 to 65535
     */
    public boolean setTcpIpEnable(boolean enable, int port) {
        if (enable) {
            inU16(port, "port");
        }
        long h = enter();
        try {
            return nativeSetTcpIpEnable(h, enable, port);
        } finally {
            leave();
        }
    }

    /**
     * Has the effect serve its level meters, or stop.
     *
     * @param enable true serves them, false stops
     * @return the library's result
     */
    public boolean setMetersServerEnable(boolean enable) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_METERS_SERVER, enable);
        } finally {
            leave();
        }
    }

    /**
     * How many output modes the effect supports.
     *
     * @return the count (32 bits unsigned in an int), or null when the effect refused
     */
    public Integer getSupportedOutputModeCount() {
        long h = enter();
        try {
            return nativeGetCount(h, COUNT_OUTPUT_MODES);
        } finally {
            leave();
        }
    }

    /**
     * The output modes the effect supports, with their names.
     *
     * @param count how many, as {@link #getSupportedOutputModeCount} answered; 0 to 2147483647
     * @return the modes in ascending id order, or null when the effect refused or did not answer
     *     for exactly count modes
     * @throws IllegalArgumentException when count is negative
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

    /**
     * The mask of tags the effect supports for a pair of modes.
     *
     * @param outputMode the output mode, 0 to 65535 or {@link #ALL_MODES} (16 bits)
     * @param soundMode the sound mode, 0 to 65535 or {@link #ALL_MODES} (16 bits)
     * @return the mask (32 bits unsigned in an int), or null when the effect refused
     * @throws IllegalArgumentException when a mode is out of range
     */
    public Integer getSupportedTag(int outputMode, int soundMode) {
        mode16(outputMode, "outputMode");
        mode16(soundMode, "soundMode");
        long h = enter();
        try {
            return nativeGetTag(h, outputMode, soundMode, true);
        } finally {
            leave();
        }
    }

    /**
     * Has the effect open a Unix-domain server socket and listen on it.
     *
     * @param isAbstractSocket true: filePath names a socket in the abstract namespace; false: a
     *     file
     * @param filePath the socket's name or path
     * @return the library's result
     * @throws IllegalArgumentException when filePath is null
     */
    public boolean createAndListenUnixServerSocket(boolean isAbstractSocket, String filePath) {
        byte[] path = utf8(filePath, "filePath");
        long h = enter();
        try {
            return nativeCreateAndListenUnixServerSocket(h, isAbstractSocket, path);
        } finally {
            leave();
        }
    }

    /**
     * Has the effect close the Unix-domain server socket it opened and remove it.
     *
     * @param filePath the socket's name or path, as it was opened
     * @return the library's result
     * @throws IllegalArgumentException when filePath is null
     */
    public boolean closeAndDestroyUnixServerSocket(String filePath) {
        return pathOperation(OP_CLOSE_UNIX_SOCKET, filePath, "filePath");
    }

    /**
     * Has the effect run its Kv calibration.
     *
     * @return the library's result
     */
    public boolean calibrateKv() {
        long h = enter();
        try {
            return nativeNoData(h, OP_CALIBRATE_KV);
        } finally {
            leave();
        }
    }

    /**
     * Switches the effect's sensor fusion (the use of the device's motion sensors) on or off.
     *
     * @param enabled true on, false off
     * @return the library's result
     */
    public boolean setSensorFusionEnabled(boolean enabled) {
        long h = enter();
        try {
            return nativeSetFlag(h, FLAG_SENSOR_FUSION, enabled);
        } finally {
            leave();
        }
    }

    /**
     * Sets the rate at which the effect takes tracking data.
     *
     * @param rate the rate, the effect's unit, 0 to 65535 (16 bits)
     * @return the library's result
     * @throws IllegalArgumentException when rate is outside 0 to 65535
     */
    public boolean setTrackingDataRate(int rate) {
        inU16(rate, "rate");
        long h = enter();
        try {
            return nativeSetInt(h, INT_TRACKING_DATA_RATE, rate);
        } finally {
            leave();
        }
    }

    /**
     * Selects one of the effect's presets by index.
     *
     * @param index the preset's index (32 bits unsigned; any int)
     * @return the library's result
     */
    public boolean setPresetSelectorIndex(int index) {
        long h = enter();
        try {
            return nativeSetInt(h, INT_PRESET_SELECTOR_INDEX, index);
        } finally {
            leave();
        }
    }

    /**
     * Forces one algorithm of the effect instance on an io and session into bypass, or releases
     * it.
     *
     * @param io the audio io handle (32 bits; any int)
     * @param sessionId the audio session (32 bits; any int)
     * @param algName the algorithm's name, at most 127 bytes in UTF-8
     * @param useCase the use case, the effect's number (32 bits; any int)
     * @param forceBypass true bypasses the algorithm, false lets it process again
     * @return the library's result
     * @throws IllegalArgumentException when algName is null or longer than 127 bytes
     */
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
     * Sends the buffer's bytes to the effect, which answers in a buffer of the same size.
     *
     * @param buffer the request; not changed
     * @return a copy of the buffer with the effect's reply written over its start, or null when
     *     the effect refused
     * @throws IllegalArgumentException when buffer is null
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
     * For each (first, second) pair, whether it is a default of the effect: the pairs are an
     * output mode and a sound mode.
     *
     * @param firstValues the first value of each pair (32 bits unsigned each)
     * @param secondValues the second value of each pair, as many as firstValues
     * @return one flag per pair, or null when the effect refused; when the effect's answer does
     *     not parse, every flag is false
     * @throws IllegalArgumentException when an array is null or their lengths differ
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

    /**
     * How many sound modes the effect supports.
     *
     * @return the count (32 bits unsigned in an int), or null when the effect refused
     */
    public Integer getSupportedSoundModeCount() {
        long h = enter();
        try {
            return nativeGetCount(h, COUNT_SOUND_MODES);
        } finally {
            leave();
        }
    }

    /**
     * The sound modes the effect supports.
     *
     * @param count how many, as {@link #getSupportedSoundModeCount} answered; 0 to 2147483647
     * @return count values (32 bits unsigned each), or null when the effect refused
     * @throws IllegalArgumentException when count is negative
     */
    public int[] getSupportedSoundModeValues(int count) {
        notNegative(count, "count");
        long h = enter();
        try {
            return nativeGetSupportedSoundModeValues(h, count);
        } finally {
            leave();
        }
    }

    /**
     * Adds or removes a session that {@link #setEnabled} also sets the platform's enable state
     * on; sends nothing.
     *
     * @param sessionId the audio session (any int)
     * @param add true adds it, false removes it
     * @return true
     */
    public boolean setAudioSession(int sessionId, boolean add) {
        long h = enter();
        try {
            return nativeSetAudioSession(h, sessionId, add);
        } finally {
            leave();
        }
    }

    /**
     * Asks the effect to send its session data; the library only triggers the request (the data
     * arrives as events, if the effect sends any).
     *
     * @return the library's result
     */
    public boolean getSessionData() {
        long h = enter();
        try {
            return nativeNoData(h, OP_GET_SESSION_DATA);
        } finally {
            leave();
        }
    }

    /**
     * Has the effect take a configuration from a chunk of bytes.
     *
     * @param chunk the configuration's bytes; may be empty
     * @param checksum the chunk's checksum as the effect computes it (32 bits unsigned)
     * @param chunkType the chunk's type, the effect's number (32 bits unsigned)
     * @return the library's result
     * @throws IllegalArgumentException when chunk is null
     */
    public boolean setConfigByChunk(byte[] chunk, int checksum, int chunkType) {
        notNull(chunk, "chunk");
        long h = enter();
        try {
            return nativeSetConfigByChunk(h, chunk, checksum, chunkType);
        } finally {
            leave();
        }
    }

    /**
     * Has the effect drop the configuration {@link #setConfigByChunk} gave it.
     *
     * @return the library's result
     */
    public boolean clearConfig() {
        long h = enter();
        try {
            return nativeNoData(h, OP_CLEAR_CONFIG);
        } finally {
            leave();
        }
    }

    /**
     * Switches a log output, in the effect and in this library's own log (the latter also when
     * the effect refused).
     *
     * @param outputName {@link #LOG_OUTPUT_ANDROID}, {@link #LOG_OUTPUT_STDOUT}, {@link
     *     #LOG_OUTPUT_STDERR}, {@link #LOG_OUTPUT_FILE}, or {@link #fileLogOutput}'s name of a
     *     file; in this process a file output opens that file for appending
     * @param enable true switches it on, false off
     * @return true only when the effect and the library's own log both took it
     * @throws IllegalArgumentException when outputName is null
     */
    public boolean setLogOutput(String outputName, boolean enable) {
        byte[] name = utf8(outputName, "outputName");
        long h = enter();
        try {
            return nativeSetLogOutput(h, name, enable);
        } finally {
            leave();
        }
    }

    /**
     * Tells the effect the system volume.
     *
     * @param volume the volume as the platform reports it, the effect's scale (any double)
     * @return the library's result
     */
    public boolean setSystemVolume(double volume) {
        long h = enter();
        try {
            return nativeSetSystemVolume(h, volume);
        } finally {
            leave();
        }
    }

    /**
     * Has the effect write its state to its log.
     *
     * @return the library's result
     */
    public boolean dump() {
        long h = enter();
        try {
            return nativeNoData(h, OP_DUMP);
        } finally {
            leave();
        }
    }

    /**
     * Whether the effect asks for the platform's processing to be on.
     *
     * @return true when the effect answered yes; false when it answered no or refused
     */
    public boolean shouldEnableAndroidEffect() {
        long h = enter();
        try {
            return nativeShouldEnableAndroidEffect(h);
        } finally {
            leave();
        }
    }

    /**
     * Sends a command code without data.
     *
     * @param code the effect command's code (any int)
     * @return true when the platform's status was 0
     */
    public boolean sendCommand(int code) {
        long h = enter();
        try {
            return nativeSendCommand(h, code);
        } finally {
            leave();
        }
    }

    /**
     * Sends a command code with request bytes.
     *
     * @param code the effect command's code (any int)
     * @param request the request's bytes; may be empty
     * @return true when the platform's status was 0
     * @throws IllegalArgumentException when request is null
     */
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
     * Sends a command code with request bytes and room for a reply.
     *
     * @param code the effect command's code (any int)
     * @param request the request's bytes; may be empty
     * @param replyCapacity the room for the reply in bytes, 0 to 2147483647
     * @return the reply, as long as the platform reported, or null when the platform's status
     *     was not 0
     * @throws IllegalArgumentException when request is null or replyCapacity negative
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
        mode16(outputMode, "outputMode");
        mode16(soundMode, "soundMode");
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
