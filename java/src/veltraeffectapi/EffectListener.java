package veltraeffectapi;

/**
 * Receives the platform's events for an effect object.
 *
 * <p>Called on the platform's callback thread, never on the thread that made the object. The
 * platform tells no object apart: every open object with a listener that has an effect instance
 * (after a successful {@link VeltraEffect#init}) receives every event of every effect instance of
 * the process. Once {@link VeltraEffect#close} has returned, the object's listener is not called
 * again.
 */
public interface EffectListener {
    /**
     * One platform event.
     *
     * @param event the platform's event code
     * @param data a copy of the event's data (for a parameter change: the parameter bytes); never
     *     null, possibly empty
     */
    void onEvent(int event, byte[] data);
}
