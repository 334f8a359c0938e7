package veltraeffectapi;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNotEquals;
import static org.junit.Assert.assertNotSame;
import static org.junit.Assert.assertTrue;

import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicInteger;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;
import veltraeffectapi.host.HostPlatform;

/** Platform events reach the listeners of the open objects, on the platform's thread. */
public class EffectEventsTest {
    // The simulated platform's parameter-changed event.
    static final int PARAMETER_CHANGED = 2;
    static final byte[] PARAM = {7, 0, 0, 0};
    static final byte[] VALUE = {1, 2};

    @Before
    public void setUp() {
        HostPlatform.reset();
    }

    @After
    public void tearDown() {
        // An event still being delivered holds its clients; once it is done
        // this test's instances are gone before the next test counts its own.
        HostPlatform.waitForEvents();
        HostPlatform.reset();
    }

    @Test
    public void thePlatformsThreadIsDetachedWhenItEnds() throws InterruptedException {
        RecordingListener listener = new RecordingListener();
        try (VeltraEffect effect = VeltraEffect.create(VeltraEffect.VELTRA3, -1, listener)) {
            assertTrue(effect.init(0, 1));
            int instance = HostPlatform.liveInstances()[0];
            HostPlatform.postParameterChanged(instance, PARAM, VALUE);
            List<RecordingListener.Event> first = listener.awaitEvents(1);
            assertEquals(1, first.size());
            // Once the platform's thread has ended, the VM no longer counts it.
            HostPlatform.endEventThread();
            Thread ended = first.get(0).javaThread;
            ended.join(TimeUnit.SECONDS.toMillis(10));
            assertFalse("the ended platform thread is still attached", ended.isAlive());
            // The next platform thread is attached in its turn.
            HostPlatform.postParameterChanged(instance, PARAM, VALUE);
            List<RecordingListener.Event> both = listener.awaitEvents(2);
            assertEquals(2, both.size());
            assertNotSame(ended, both.get(1).javaThread);
        }
    }

    @Test
    public void anEventReachesTheListenerOnThePlatformsThread() throws InterruptedException {
        RecordingListener listener = new RecordingListener();
        try (VeltraEffect effect = VeltraEffect.create(VeltraEffect.VELTRA3, -1, listener)) {
            assertTrue(effect.init(0, 1));
            int[] instances = HostPlatform.liveInstances();
            assertEquals(1, instances.length);
            HostPlatform.postParameterChanged(instances[0], PARAM, VALUE);
            HostPlatform.postParameterChanged(instances[0], new byte[] {9, 0, 0, 0}, VALUE);
            List<RecordingListener.Event> events = listener.awaitEvents(2);
            assertEquals(2, events.size());
            assertEquals(PARAMETER_CHANGED, events.get(0).code);
            assertArrayEquals(PARAM, events.get(0).data);
            assertArrayEquals(new byte[] {9, 0, 0, 0}, events.get(1).data);
            // The platform's thread, attached once under the JNI library's name.
            assertEquals("veltra-effect-events", events.get(0).thread);
            assertNotEquals(Thread.currentThread().getName(), events.get(0).thread);
        }
    }

    @Test
    public void eachOpenObjectGetsEachEventOnceAndAClosedOneNone() throws InterruptedException {
        RecordingListener first = new RecordingListener();
        RecordingListener second = new RecordingListener();
        RecordingListener closed = new RecordingListener();
        try (VeltraEffect a = VeltraEffect.create(VeltraEffect.VELTRA3, -1, first);
                VeltraEffect b = VeltraEffect.create(VeltraEffect.NIMBRA3_PROXY, -1, second);
                VeltraEffect none = VeltraEffect.create(VeltraEffect.VELTRA3, -1)) {
            VeltraEffect c = VeltraEffect.create(VeltraEffect.VELTRA3, -1, closed);
            assertTrue(a.init(0, 1));
            assertTrue(b.init(0, 2));
            assertTrue(none.init(0, 3));
            assertTrue(c.init(0, 4));
            c.close();
            // One event on the instance of the object without a listener.
            int[] instances = HostPlatform.liveInstances();
            assertEquals(3, instances.length);
            HostPlatform.postParameterChanged(instances[2], PARAM, VALUE);
            HostPlatform.waitForEvents();
            assertEquals(1, first.events().size());
            assertEquals(1, second.events().size());
            assertEquals(0, closed.events().size());
        }
    }

    @Test
    public void aListenerMayCloseItsOwnObject() throws InterruptedException {
        final AtomicInteger calls = new AtomicInteger();
        final VeltraEffect[] self = new VeltraEffect[1];
        final AtomicBoolean refusedAfterClose = new AtomicBoolean();
        VeltraEffect effect = VeltraEffect.create(VeltraEffect.VELTRA3, -1, (event, data) -> {
            calls.incrementAndGet();
            self[0].close();
            try {
                self[0].clearParams();
            } catch (IllegalStateException e) {
                refusedAfterClose.set(true);
            }
        });
        self[0] = effect;
        assertTrue(effect.init(0, 1));
        int instance = HostPlatform.liveInstances()[0];
        HostPlatform.postParameterChanged(instance, PARAM, VALUE);
        HostPlatform.waitForEvents();
        assertEquals(1, calls.get());
        assertTrue(refusedAfterClose.get());
        assertEquals(0, HostPlatform.liveInstances().length);
        effect.close();
    }

    @Test
    public void closeWaitsForTheListenerCallInProgress() throws InterruptedException {
        final CountDownLatch entered = new CountDownLatch(1);
        final CountDownLatch release = new CountDownLatch(1);
        final AtomicBoolean closeReturned = new AtomicBoolean();
        final AtomicBoolean sawCloseReturned = new AtomicBoolean();
        final AtomicInteger calls = new AtomicInteger();
        final AtomicInteger lateCalls = new AtomicInteger();
        final VeltraEffect effect = VeltraEffect.create(VeltraEffect.VELTRA3, -1, (event, data) -> {
            if (closeReturned.get()) {
                lateCalls.incrementAndGet();
            }
            if (calls.incrementAndGet() == 1) {
                entered.countDown();
                try {
                    release.await(10, TimeUnit.SECONDS);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
                sawCloseReturned.set(closeReturned.get());
            }
        });
        assertTrue(effect.init(0, 1));
        int instance = HostPlatform.liveInstances()[0];
        HostPlatform.postParameterChanged(instance, PARAM, VALUE);
        // A second event already on its way while the object closes.
        HostPlatform.postParameterChanged(instance, PARAM, VALUE);
        assertTrue(entered.await(10, TimeUnit.SECONDS));
        Thread closer = new Thread(() -> {
            effect.close();
            closeReturned.set(true);
        });
        closer.start();
        release.countDown();
        closer.join(10000);
        assertFalse(closer.isAlive());
        HostPlatform.waitForEvents();
        assertFalse(sawCloseReturned.get());
        assertEquals(0, lateCalls.get());
    }
}
