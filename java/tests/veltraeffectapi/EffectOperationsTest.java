package veltraeffectapi;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNotNull;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;
import static org.junit.Assert.fail;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;
import veltraeffectapi.host.HostPlatform;

/** Every operation reaches the simulated effect with its command; queries return its answers. */
public class EffectOperationsTest {
    interface Call {
        Object on(VeltraEffect effect);
    }

    static final class Op {
        final String name;
        final int code;
        final Call call;

        Op(String name, int code, Call call) {
            this.name = name;
            this.code = code;
            this.call = call;
        }
    }

    private VeltraEffect effect;

    @Before
    public void setUp() {
        HostPlatform.reset();
        effect = VeltraEffect.create(VeltraEffect.VELTRA3, 13);
        assertTrue(effect.init(0, 1));
        HostPlatform.clearJournal();
    }

    @After
    public void tearDown() {
        effect.close();
        HostPlatform.reset();
    }

    static List<Op> operations() {
        final int[] ids = {7, 9};
        List<Op> ops = new ArrayList<>();
        ops.add(new Op("setEnabled", 0x10012, e -> e.setEnabled("virtualizer", true)));
        ops.add(new Op("setEnabled off", 0x10013, e -> e.setEnabled("virtualizer", false)));
        ops.add(new Op("setOutputDeviceDetectionEnabled", 0x10019,
                e -> e.setOutputDeviceDetectionEnabled(true)));
        ops.add(new Op("setOutputDeviceDetectionEnabled off", 0x1001A,
                e -> e.setOutputDeviceDetectionEnabled(false)));
        ops.add(new Op("setVeltSenseEnabled", 0x1001D, e -> e.setVeltSenseEnabled(true)));
        ops.add(new Op("setVeltSenseEnabled off", 0x1001E, e -> e.setVeltSenseEnabled(false)));
        ops.add(new Op("clearParams", 0x10009, e -> e.clearParams()));
        ops.add(new Op("clearParamsArray", 0x10015, e -> e.clearParamsArray(ids, 1, 2, 0, true)));
        ops.add(new Op("setTagEx", 0x10001, e -> e.setTagEx(1, 2, 3, 4)));
        ops.add(new Op("getTag", 0x10021, e -> e.getTag(1, 2)));
        ops.add(new Op("setOutputMode", 0x10008, e -> e.setOutputMode(1)));
        ops.add(new Op("getActive", 0x10004, e -> e.getActive()));
        ops.add(new Op("setLogLevel", 0x10002, e -> e.setLogLevel("TARVO_LOG_FXModule", 2)));
        ops.add(new Op("loadPresets", 0x10000, e -> e.loadPresets(presetFile(), "")));
        ops.add(new Op("loadPresetsFromChunk", 0x1002E,
                e -> e.loadPresetsFromChunk(chunk(), 0, 0, true)));
        ops.add(new Op("saveUserPresetToChunk", 0x1002F, e -> e.saveUserPresetToChunk(4096, 0, 0)));
        ops.add(new Op("openClientPipe", 0x10017, e -> e.openClientPipe("/tmp/pipe")));
        ops.add(new Op("closeClientPipe", 0x10018, e -> e.closeClientPipe()));
        ops.add(new Op("savePresets", 0x10005, e -> e.savePresets("/tmp/none/p.mps")));
        ops.add(new Op("saveUserPresets", 0x1002C, e -> e.saveUserPresets("/tmp/none/u.mps")));
        ops.add(new Op("setRecordingEnable", 0x10007, e -> e.setRecordingEnable("/tmp/rec")));
        ops.add(new Op("setRecordingDisable", 0x1001B, e -> e.setRecordingDisable()));
        ops.add(new Op("presetSetParamsArrayEx", 0x1000F,
                e -> e.presetSetParamsArrayEx(ids, new double[] {0.5, 2.0}, 1, 2, 0, true)));
        ops.add(new Op("presetGetUserParamsArray", 0x10010,
                e -> e.presetGetUserParamsArray(ids, 1, 2, 0, false, false)));
        ops.add(new Op("presetGetBaseParamsArray", 0x10025,
                e -> e.presetGetBaseParamsArray(ids, 1, 2, 0, false, false)));
        ops.add(new Op("presetGetParamsArray user", 0x10010,
                e -> e.presetGetParamsArray(ids, 1, 2, 0, false, false, true)));
        ops.add(new Op("presetGetParamsArray base", 0x10025,
                e -> e.presetGetParamsArray(ids, 1, 2, 0, false, false, false)));
        ops.add(new Op("vtServerParameterArrayGet", 0x1003C, e -> e.vtServerParameterArrayGet(ids)));
        ops.add(new Op("setSoundMode", 0x10003, e -> e.setSoundMode(2)));
        ops.add(new Op("setSmoothingEnable", 0x10016, e -> e.setSmoothingEnable(true)));
        ops.add(new Op("setCustomOutputMode", 0x1001C, e -> e.setCustomOutputMode(1, 2)));
        ops.add(new Op("setMetersServerEnable", 0x10035, e -> e.setMetersServerEnable(true)));
        ops.add(new Op("getSupportedOutputModeCount", 0x10022,
                e -> e.getSupportedOutputModeCount()));
        ops.add(new Op("getSupportedOutputModeNames", 0x10023,
                e -> e.getSupportedOutputModeNames(0)));
        ops.add(new Op("getSupportedTag", 0x10024, e -> e.getSupportedTag(1, 2)));
        ops.add(new Op("createAndListenUnixServerSocket", 0x10026,
                e -> e.createAndListenUnixServerSocket(true, "veltra-test")));
        ops.add(new Op("closeAndDestroyUnixServerSocket", 0x10027,
                e -> e.closeAndDestroyUnixServerSocket("@veltra-test")));
        ops.add(new Op("calibrateKv", 0x10029, e -> e.calibrateKv()));
        ops.add(new Op("setSensorFusionEnabled", 0x1002D, e -> e.setSensorFusionEnabled(true)));
        ops.add(new Op("setTrackingDataRate", 0x1002A, e -> e.setTrackingDataRate(50)));
        ops.add(new Op("setPresetSelectorIndex", 0x10038, e -> e.setPresetSelectorIndex(3)));
        ops.add(new Op("setForceBypass", 0x1002B, e -> e.setForceBypass(13, 1, "limiter", 2, true)));
        ops.add(new Op("transactBuffer", 0x10030, e -> e.transactBuffer(new byte[16])));
        ops.add(new Op("getDefaultSoundMode", 0x10032,
                e -> e.getDefaultSoundMode(new int[] {1}, new int[] {2})));
        ops.add(new Op("getSupportedSoundModeCount", 0x10033, e -> e.getSupportedSoundModeCount()));
        ops.add(new Op("getSupportedSoundModeValues", 0x10034,
                e -> e.getSupportedSoundModeValues(1)));
        ops.add(new Op("getSessionData", 0x10028, e -> e.getSessionData()));
        ops.add(new Op("setConfigByChunk", 0x10036, e -> e.setConfigByChunk(chunk(), 0, 1)));
        ops.add(new Op("clearConfig", 0x10037, e -> e.clearConfig()));
        ops.add(new Op("setLogOutput", 0x10039, e -> e.setLogOutput("stdout", false)));
        ops.add(new Op("setSystemVolume", 0x1003A, e -> e.setSystemVolume(0.5)));
        ops.add(new Op("dump", 0x1003B, e -> e.dump()));
        ops.add(new Op("shouldEnableAndroidEffect", 0x10031, e -> e.shouldEnableAndroidEffect()));
        ops.add(new Op("sendCommand", 0x10009, e -> e.sendCommand(0x10009)));
        ops.add(new Op("sendCommand data", 0x10008, e -> e.sendCommand(0x10008, u16(1))));
        ops.add(new Op("sendCommand reply", 0x10004,
                e -> e.sendCommand(0x10004, new byte[0], 12)));
        return ops;
    }

    static String presetFile() {
        try {
            java.io.File file = java.io.File.createTempFile("veltra-test", ".mps");
            file.deleteOnExit();
            java.nio.file.Files.write(file.toPath(), chunk());
            return file.getPath();
        } catch (java.io.IOException e) {
            throw new AssertionError(e);
        }
    }

    static byte[] chunk() {
        return "param 1 2 0 7 0.5\n".getBytes(StandardCharsets.UTF_8);
    }

    static byte[] u16(int value) {
        return new byte[] {(byte) value, (byte) (value >> 8)};
    }

    static ByteBuffer le(int size) {
        return ByteBuffer.allocate(size).order(ByteOrder.LITTLE_ENDIAN);
    }

    @Test
    public void eachOperationSendsItsCommandAndAnswersTheLibrarysResult() {
        List<String> refused = new ArrayList<>();
        for (Op op : operations()) {
            HostPlatform.clearJournal();
            Object result = op.call.on(effect);
            int[] codes = HostPlatform.commandCodes();
            assertTrue(op.name + " sent nothing", codes.length > 0);
            assertEquals(op.name, op.code, codes[0]);
            if (Boolean.FALSE.equals(result) || result == null) {
                refused.add(op.name);
            }
        }
        // These the simulated effect refuses for their content here (a chunk's
        // checksum, a folder that does not exist, no mode asked for, an output
        // name the library's own log lacks, the effect's "off" answer); their
        // result is the library's all the same, as the refusal test shows.
        refused.removeAll(java.util.Arrays.asList("loadPresetsFromChunk", "savePresets",
                "saveUserPresets", "getSupportedOutputModeNames", "setConfigByChunk",
                "setLogOutput", "shouldEnableAndroidEffect"));
        assertEquals("refused by the simulated effect", new ArrayList<String>(), refused);
    }

    @Test
    public void aRefusedCommandIsFalseOrNullNeverAnException() {
        for (Op op : operations()) {
            HostPlatform.reset();
            HostPlatform.refuseCommand(op.code);
            Object result = op.call.on(effect);
            if (result instanceof Boolean) {
                assertFalse(op.name, (Boolean) result);
            } else {
                assertNull(op.name, result);
            }
        }
    }

    @Test
    public void argumentsTravelAsTheirFields() {
        // Texts as UTF-8 and a zero byte; id arrays and masks with their high bits.
        assertTrue(effect.setEnabled("h\u00e9\ud83d\ude00", true));
        byte[] text = "h\u00e9\ud83d\ude00".getBytes(StandardCharsets.UTF_8);
        byte[] expected = new byte[text.length + 1];
        System.arraycopy(text, 0, expected, 0, text.length);
        assertArrayEquals(expected, HostPlatform.commandRequest(0));

        HostPlatform.clearJournal();
        assertTrue(effect.clearParamsArray(new int[] {7, 0x80000001}, 1, 2, 0xFFFFFFFF, true));
        ByteBuffer clear = le(24).putInt(2).putShort((short) 1).putShort((short) 2).putInt(-1);
        clear.put((byte) 1).put(new byte[3]).putInt(7).putInt(0x80000001);
        assertArrayEquals(clear.array(), HostPlatform.commandRequest(0));

        HostPlatform.clearJournal();
        assertTrue(effect.setTrackingDataRate(0xFFFF));
        assertArrayEquals(u16(0xFFFF), HostPlatform.commandRequest(0));

        HostPlatform.clearJournal();
        byte[] request = {1, 2, 3};
        effect.sendCommand(0x10004, request, 12);
        assertArrayEquals(request, HostPlatform.commandRequest(0));
        assertEquals(12, HostPlatform.commandReplyCapacity(0));
    }

    @Test
    public void queriesReturnWhatTheEffectAnswers() {
        assertTrue(effect.setOutputMode(1));
        assertTrue(effect.setSoundMode(2));
        ActiveModes active = effect.getActive();
        assertNotNull(active);
        assertEquals(1, active.outputMode);
        assertEquals(2, active.soundMode);

        int[] ids = {7, 9};
        assertTrue(effect.presetSetParamsArrayEx(ids, new double[] {0.5, -2.25}, 1, 2, 0, true));
        assertArrayEquals(new double[] {0.5, -2.25},
                effect.presetGetUserParamsArray(ids, 1, 2, 0, false, true), 0.0);

        // Replies set here, unsigned values in their full 32 bits.
        HostPlatform.answer(0x10021, le(4).putInt(0xF0000001).array());
        assertEquals(Integer.valueOf(0xF0000001), effect.getTag(1, 2));
        HostPlatform.answer(0x10022, le(4).putInt(2).array());
        assertEquals(Integer.valueOf(2), effect.getSupportedOutputModeCount());
        byte[] speaker = "speaker".getBytes(StandardCharsets.UTF_8);
        byte[] phones = "casque \u00e9".getBytes(StandardCharsets.UTF_8);
        ByteBuffer names = le(16 + speaker.length + phones.length);
        names.putInt(4).putInt(speaker.length).put(speaker);
        names.putInt(2).putInt(phones.length).put(phones);
        HostPlatform.answer(0x10023, names.array());
        OutputMode[] modes = effect.getSupportedOutputModeNames(2);
        assertNotNull(modes);
        assertEquals(2, modes.length);
        assertEquals(2, modes[0].id);
        assertEquals("casque \u00e9", modes[0].name);
        assertEquals(4, modes[1].id);
        assertEquals("speaker", modes[1].name);
        HostPlatform.answer(0x10034, le(8).putInt(3).putInt(0x80000000).array());
        assertArrayEquals(new int[] {3, 0x80000000}, effect.getSupportedSoundModeValues(2));
        HostPlatform.answer(0x1002F, le(15).putInt(7).putInt(8).putInt(3).put(new byte[] {4, 5, 6})
                .array());
        UserPresetChunk chunk = effect.saveUserPresetToChunk(16, 0, 0);
        assertNotNull(chunk);
        assertEquals(7, chunk.outValue);
        assertEquals(8, chunk.inOutValue);
        assertArrayEquals(new byte[] {4, 5, 6}, chunk.chunk);
        HostPlatform.answer(0x10030, new byte[] {9, 8});
        byte[] buffer = {1, 2, 3, 4};
        assertArrayEquals(new byte[] {9, 8, 3, 4}, effect.transactBuffer(buffer));
        assertArrayEquals(new byte[] {1, 2, 3, 4}, buffer);
        HostPlatform.answer(0x10031, new byte[] {0});
        assertFalse(effect.shouldEnableAndroidEffect());

        // Operations that send nothing.
        HostPlatform.clearJournal();
        assertTrue(effect.setAudioSession(5, true));
        assertTrue(effect.setTcpIpEnable(false, 0));
        assertEquals(0, HostPlatform.commandCodes().length);
    }

    @Test
    public void whatTheLibraryWouldRefuseIsAnIllegalArgumentNamingIt() {
        expectIllegalArgument("algorithm", () -> effect.setEnabled(null, true));
        expectIllegalArgument("userMpsFilePath", () -> effect.loadPresets("a", null));
        expectIllegalArgument("values",
                () -> effect.presetSetParamsArrayEx(new int[2], new double[1], 0, 0, 0, false));
        expectIllegalArgument("params", () -> effect.clearParamsArray(null, 0, 0, 0, false));
        expectIllegalArgument("secondValues",
                () -> effect.getDefaultSoundMode(new int[2], new int[3]));
        expectIllegalArgument("chunk", () -> effect.setConfigByChunk(null, 0, 0));
        expectIllegalArgument("rate", () -> effect.setTrackingDataRate(0x10000));
        expectIllegalArgument("algName", () -> effect.setForceBypass(0, 0,
                new String(new char[128]).replace('\0', 'a'), 0, false));
        expectIllegalArgument("effectName", () -> VeltraEffect.create(null, 0));
        // A value its field would cut: named with its value and the range.
        expectIllegalArgument("outputMode 70000 is outside 0 to 65535",
                () -> effect.setOutputMode(70000));
        expectIllegalArgument("soundMode -1 is outside 0 to 65535",
                () -> effect.presetGetParamsArray(new int[1], 0, -1, 0, false, false, true));
        expectIllegalArgument("port 65536", () -> effect.setTcpIpEnable(true, 65536));
        expectIllegalArgument("tagEnable", () -> effect.setTagEx(0, 0, 0, 0x10000));
        assertEquals(0, HostPlatform.commandCodes().length);
    }

    @Test
    public void allModesIsAcceptedWhereModesTravelIn16Bits() {
        int[] ids = {7};
        assertTrue(effect.presetSetParamsArrayEx(ids, new double[] {1.5}, VeltraEffect.ALL_MODES,
                VeltraEffect.ALL_MODES, VeltraEffect.SUB_TYPES_NONE, false));
        assertArrayEquals(new double[] {1.5}, effect.presetGetParamsArray(ids,
                VeltraEffect.ALL_MODES, VeltraEffect.ALL_MODES, 0, false, true, true), 0.0);
        // Set in the user preset only: the base preset lacks it, so must-find-all refuses.
        assertNull(effect.presetGetParamsArray(ids, VeltraEffect.ALL_MODES,
                VeltraEffect.ALL_MODES, 0, false, true, false));
    }

    @Test
    public void valueClassesCompareAndPrintByTheirFields() {
        ActiveModes modes = new ActiveModes(1, 2, 3, 0xF0000001);
        assertEquals(modes, new ActiveModes(1, 2, 3, 0xF0000001));
        assertEquals(modes.hashCode(), new ActiveModes(1, 2, 3, 0xF0000001).hashCode());
        assertFalse(modes.equals(new ActiveModes(1, 2, 4, 0xF0000001)));
        assertEquals("ActiveModes{outputMode=1, soundMode=2, thirdMode=3, tag=0xf0000001}",
                modes.toString());
        assertEquals(new OutputMode(-1, "x"), new OutputMode(-1, "x"));
        assertEquals("OutputMode{id=4294967295, name=\"x\"}", new OutputMode(-1, "x").toString());
        UserPresetChunk chunk = new UserPresetChunk(new byte[] {1, 2}, 3, -1);
        assertEquals(chunk, new UserPresetChunk(new byte[] {1, 2}, 3, -1));
        assertEquals(chunk.hashCode(), new UserPresetChunk(new byte[] {1, 2}, 3, -1).hashCode());
        assertFalse(chunk.equals(new UserPresetChunk(new byte[] {1, 3}, 3, -1)));
        assertEquals("UserPresetChunk{2 bytes [01 02], outValue=3, inOutValue=4294967295}",
                chunk.toString());
    }

    private static void expectIllegalArgument(String argument, Runnable call) {
        try {
            call.run();
            fail("no IllegalArgumentException for " + argument);
        } catch (IllegalArgumentException e) {
            assertTrue(e.getMessage(), e.getMessage().startsWith(argument + " "));
        }
    }

    @Test
    public void closeDeletesTheObjectOnceAndEveryLaterCallThrows() {
        assertEquals(1, HostPlatform.liveInstances().length);
        effect.close();
        assertEquals(0, HostPlatform.liveInstances().length);
        effect.close();
        HostPlatform.clearJournal();
        for (Op op : operations()) {
            try {
                op.call.on(effect);
                fail(op.name + " after close");
            } catch (IllegalStateException e) {
                assertEquals("the effect object is closed", e.getMessage());
            }
        }
        try {
            effect.init(0, 1);
            fail("init after close");
        } catch (IllegalStateException e) {
            // expected
        }
        assertEquals(0, HostPlatform.commandCodes().length);
    }
}
