// A first Java program on this machine: tells the host platform the SDK
// level (a device reports its own), creates the playback effect, selects
// modes and reads them back, and counts the commands that reached the
// simulated audio server. Exits 0 when every step succeeded.
import veltraeffectapi.ActiveModes;
import veltraeffectapi.VeltraEffect;
import veltraeffectapi.host.HostPlatform;

public final class Hello {
    private Hello() {}

    public static void main(String[] args) {
        HostPlatform.setSdkLevel(28);
        try (VeltraEffect effect = VeltraEffect.create(VeltraEffect.VELTRA3,
                VeltraEffect.INVALID_IO)) {
            boolean ok = effect.init(0, 0) && effect.setOutputMode(1) && effect.setSoundMode(2);
            ActiveModes active = effect.getActive();
            System.out.println("hello: active " + active);
            System.out.println("hello: " + HostPlatform.commandCodes().length
                    + " commands reached the audio server");
            if (!ok || active == null || active.outputMode != 1 || active.soundMode != 2) {
                System.out.println("hello: a step failed");
                System.exit(1);
            }
        }
    }
}
