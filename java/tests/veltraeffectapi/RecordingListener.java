package veltraeffectapi;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.locks.Condition;
import java.util.concurrent.locks.ReentrantLock;

/** Keeps the events it receives and the names of the threads they came on. */
class RecordingListener implements EffectListener {
    static final class Event {
        final int code;
        final byte[] data;
        final String thread;
        final Thread javaThread;

        Event(int code, byte[] data, Thread javaThread) {
            this.code = code;
            this.data = data;
            this.thread = javaThread.getName();
            this.javaThread = javaThread;
        }
    }

    private final ReentrantLock lock = new ReentrantLock();
    private final Condition arrived = lock.newCondition();
    private final List<Event> events = new ArrayList<>();

    @Override
    public void onEvent(int event, byte[] data) {
        lock.lock();
        try {
            events.add(new Event(event, data, Thread.currentThread()));
            arrived.signalAll();
        } finally {
            lock.unlock();
        }
    }

    List<Event> events() {
        lock.lock();
        try {
            return new ArrayList<>(events);
        } finally {
            lock.unlock();
        }
    }

    /** Waits, at most 10 seconds, for count events; the events then. */
    List<Event> awaitEvents(int count) throws InterruptedException {
        long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(10);
        lock.lock();
        try {
            while (events.size() < count) {
                long left = deadline - System.nanoTime();
                if (left <= 0) {
                    break;
                }
                arrived.awaitNanos(left);
            }
            return new ArrayList<>(events);
        } finally {
            lock.unlock();
        }
    }
}
