package veltraeffectapi;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.Test;
import veltraeffectapi.host.HostPlatform;

/**
 * Events without pause while objects with listeners are made, used and closed on several
 * threads: no crash, no listener call after its object's close returned, and (the JNI checks in
 * the test's JVM) no local reference left behind on the platform's thread.
 */
public class EventStormTest {
    static final int THREADS = 4;
    static final int OBJECTS_PER_THREAD = 60;

    @Test
    public void objectsComeAndGoUnderAStormOfEvents() throws Exception {
        HostPlatform.reset();
        final AtomicInteger delivered = new AtomicInteger();
        final AtomicInteger lateCalls = new AtomicInteger();
        final AtomicBoolean working = new AtomicBoolean(true);
        final AtomicReference<Throwable> failure = new AtomicReference<>();

        List<Thread> workers = new ArrayList<>();
        for (int t = 0; t < THREADS; ++t) {
            final int session = 100 + t;
            workers.add(new Thread(() -> {
                try {
                    for (int n = 0; n < OBJECTS_PER_THREAD; ++n) {
                        final AtomicBoolean closed = new AtomicBoolean();
                        VeltraEffect effect = VeltraEffect.create(VeltraEffect.VELTRA3, -1,
                                (event, data) -> {
                                    if (closed.get()) {
                                        lateCalls.incrementAndGet();
                                    }
                                    delivered.incrementAndGet();
                                });
                        effect.init(0, session);
                        effect.setOutputMode(n & 3);
                        effect.close();
                        closed.set(true);
                    }
                } catch (Throwable e) {
                    failure.compareAndSet(null, e);
                }
            }));
        }
        Thread poster = new Thread(() -> {
            byte[] param = {7, 0, 0, 0};
            byte[] value = {1, 2, 3, 4, 5, 6, 7, 8};
            try {
                int posted = 0;
                while (working.get()) {
                    HostPlatform.postParameterChanged(0, param, value);
                    if (++posted % 64 == 0) {
                        HostPlatform.waitForEvents();
                    }
                }
            } catch (Throwable e) {
                failure.compareAndSet(null, e);
            }
        });
        // One object lives through the whole storm, so that events surely arrive.
        RecordingListener witness = new RecordingListener();
        try (VeltraEffect steady = VeltraEffect.create(VeltraEffect.VELTRA3, -1, witness)) {
            assertTrue(steady.init(0, 1));
            poster.start();
            for (Thread worker : workers) {
                worker.start();
            }
            for (Thread worker : workers) {
                worker.join();
            }
            working.set(false);
            poster.join();
            HostPlatform.waitForEvents();
        }
        if (failure.get() != null) {
            throw new AssertionError("a thread failed", failure.get());
        }
        assertEquals(0, lateCalls.get());
        assertTrue("the witness received no event", witness.events().size() > 0);
        assertEquals(0, HostPlatform.liveInstances().length);
        System.out.println("storm: " + witness.events().size() + " events to the witness, "
                + delivered.get() + " to the short-lived objects");
    }
}
