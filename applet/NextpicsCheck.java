// Drives the preload applet the way a browser does, with a stub that hands it a document base and
// its parameters, against a small HTTP server on the loopback address, and checks which
// addresses it fetches. Also checks the class file that addNextpics copies beside each page.
//
// Usage: java -cp <folder of nextpics.class>:<folder of this class> NextpicsCheck <nextpics.class>
// Prints "applet: N passed, M failed" and exits with 1 when a check failed.

import com.sun.net.httpserver.HttpExchange;
import com.sun.net.httpserver.HttpServer;

import java.applet.Applet;
import java.applet.AppletContext;
import java.applet.AppletStub;
import java.awt.GraphicsEnvironment;
import java.io.DataInputStream;
import java.io.File;
import java.io.FileInputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.lang.reflect.Field;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.net.InetSocketAddress;
import java.net.URL;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.function.BooleanSupplier;

// The applet classes are deprecated in today's JDKs, which is no concern of a test of an applet.
@SuppressWarnings("removal")
public class NextpicsCheck {
    static final String THREAD_NAME = "nextpics preload";

    static int passed;
    static int failed;

    // Every path the server was asked for, and every slow response whose reader went away.
    static final List<String> requests = Collections.synchronizedList(new ArrayList<String>());
    static final List<String> dropped = Collections.synchronizedList(new ArrayList<String>());
    static String origin;

    public static void main(String[] args) throws Exception {
        ExecutorService pool = Executors.newCachedThreadPool();
        HttpServer server = HttpServer.create(new InetSocketAddress("127.0.0.1", 0), 0);
        server.createContext("/", NextpicsCheck::serve);
        server.setExecutor(pool);
        server.start();
        origin = "http://127.0.0.1:" + server.getAddress().getPort();

        checkClassFile(new File(args[0]));
        relativeAddresses();
        fullAddresses();
        nextReturnsAtOnceAndStopEndsARead();
        nothingToFetch();
        failuresDoNotStopTheRest();

        server.stop(0);
        pool.shutdownNow();
        System.out.println("applet: " + passed + " passed, " + failed + " failed");
        System.exit(failed == 0 ? 0 : 1);
    }

    // The server: paths under /slow/ send one byte, stall for three seconds (a read blocks until
    // the reader closes the connection), then send a byte every 100 ms for up to ten seconds, so
    // that a reader that went away shows as a failed write. Paths that end in missing.html answer
    // 404, everything else a few kilobytes.
    static void serve(HttpExchange exchange) throws IOException {
        String path = exchange.getRequestURI().getPath();
        requests.add(path);
        OutputStream out = exchange.getResponseBody();
        try {
            if (path.startsWith("/slow/")) {
                exchange.sendResponseHeaders(200, 0);
                out.write('x');
                out.flush();
                Thread.sleep(3000);
                for (int i = 0; i < 100; i++) {
                    out.write('x');
                    out.flush();
                    Thread.sleep(100);
                }
            } else if (path.endsWith("missing.html")) {
                exchange.sendResponseHeaders(404, -1);
            } else {
                byte[] body = new byte[5000];
                Arrays.fill(body, (byte) 'x');
                exchange.sendResponseHeaders(200, body.length);
                out.write(body);
            }
        } catch (IOException | InterruptedException e) {
            dropped.add(path);
        } finally {
            exchange.close();
        }
    }

    // ---- the cases

    static void checkClassFile(File file) throws Exception {
        int major;
        try (DataInputStream in = new DataInputStream(new FileInputStream(file))) {
            in.readInt();
            in.readUnsignedShort();
            major = in.readUnsignedShort();
        }
        check("class file is Java 8 bytecode (major version 52), found " + major, major == 52);

        Method next = nextpics.class.getMethod("next");
        check("next() is public, takes nothing and returns nothing",
              Modifier.isPublic(next.getModifiers()) && next.getReturnType() == void.class
                  && next.getDeclaringClass() == nextpics.class);
        check("nextpics is an applet", Applet.class.isAssignableFrom(nextpics.class));

        String[] beside = file.getAbsoluteFile().getParentFile().list();
        boolean alone = true;
        for (String name : beside)
            alone &= !name.startsWith("nextpics$");
        check("nextpics.class needs no other class file beside it", alone);
    }

    static void relativeAddresses() throws Exception {
        nextpics applet = appletWith("/album/page1.html", "page2.html;sounds/s.mid;../top.mid");
        int before = requests.size();
        applet.start();
        check("relative: next page and streams fetched in order, relative to the page",
              waitForRequests(before, "/album/page2.html", "/album/sounds/s.mid", "/top.mid"));
        check("relative: the fetch thread ends when all is fetched",
              waitUntil(() -> fetchThreads() == 0, 3000));

        applet.stop();
        applet.start();
        applet.next();
        pause(300);
        check("relative: a restart does not fetch again what was fetched", requests.size() == before + 3);
        applet.destroy();
    }

    static void fullAddresses() throws Exception {
        nextpics applet = appletWith("/album/page1.html",
                                     origin + "/other/p2.html;" + origin + "/x.mid;rel.mid");
        int before = requests.size();
        applet.start();
        check("full addresses are taken as they are, the others relative to the page",
              waitForRequests(before, "/other/p2.html", "/x.mid", "/album/rel.mid"));
        applet.destroy();

        // A page opened from disk: its relative addresses lie on disk too and are left alone.
        nextpics local = appletWithBase(new URL("file:/tmp/album/page1.html"),
                                        "page2.html;" + origin + "/from-disk.mid");
        before = requests.size();
        local.start();
        check("page from disk: only the full HTTP address is fetched",
              waitForRequests(before, "/from-disk.mid") && waitUntil(() -> fetchThreads() == 0, 3000));
        local.destroy();
    }

    static void nextReturnsAtOnceAndStopEndsARead() throws Exception {
        nextpics applet = appletWith("/album/page1.html", "/slow/next.html;after.html");
        int before = requests.size();
        long start = System.nanoTime();
        for (int i = 0; i < 50; i++)
            applet.next();
        long tookMs = (System.nanoTime() - start) / 1000000;
        check("50 calls of next() return at once (took " + tookMs + " ms)", tookMs < 500);
        check("next() alone starts the fetch", waitForRequests(before, "/slow/next.html"));
        check("one fetch thread however often next() is called", fetchThreads() == 1);
        Thread worker = fetchThread();
        check("the fetch thread is a daemon of the lowest priority",
              worker != null && worker.isDaemon() && worker.getPriority() == Thread.MIN_PRIORITY);

        applet.stop();
        check("stop() mid-read ends the fetch thread", waitUntil(() -> fetchThreads() == 0, 2000));
        check("stop() mid-read closes the connection",
              waitUntil(() -> dropped.contains("/slow/next.html"), 5000));
        pause(300);
        check("after stop() nothing more is fetched", !since(before).contains("/album/after.html"));

        // Coming back to the page: the read that stop() cut short starts over.
        before = requests.size();
        applet.start();
        check("start() after stop() fetches the unfinished address again",
              waitForRequests(before, "/slow/next.html"));
        applet.destroy();
        check("destroy() mid-read ends the fetch thread", waitUntil(() -> fetchThreads() == 0, 2000));
    }

    static void nothingToFetch() throws Exception {
        int before = requests.size();
        String[] values = {null, "", ";;", " ; "};
        boolean quiet = true;
        for (String value : values) {
            nextpics applet = appletWith("/album/page1.html", value);
            applet.start();
            applet.next();
            quiet &= fetchThreads() == 0;
            applet.stop();
            applet.destroy();
        }
        pause(200);
        check("a missing or empty parameter fetches nothing and starts no thread",
              quiet && requests.size() == before);

        nextpics bare = newApplet();
        bare.start();
        bare.next();
        bare.stop();
        bare.destroy();
        check("an applet without a stub does nothing", fetchThreads() == 0);
    }

    static void failuresDoNotStopTheRest() throws Exception {
        nextpics applet = appletWith("/album/page1.html",
                                     "http://127.0.0.1:1/gone.html;missing.html;"
                                         + "http://[bad/x.mid;after.html");
        int before = requests.size();
        applet.start();
        check("an unreachable address, a 404 and a malformed address do not stop the rest",
              waitForRequests(before, "/album/missing.html", "/album/after.html"));
        check("the fetch thread ends after failures", waitUntil(() -> fetchThreads() == 0, 3000));
        applet.destroy();
    }

    // ---- the applet's surroundings

    // What a browser hands an applet: the page's address and the parameters of its element.
    static class Stub implements AppletStub {
        final URL base;
        final Map<String, String> parameters = new HashMap<>();

        Stub(URL base) { this.base = base; }
        public boolean isActive() { return true; }
        public URL getDocumentBase() { return base; }
        public URL getCodeBase() { return base; }
        public String getParameter(String name) { return parameters.get(name); }
        public AppletContext getAppletContext() { return null; }
        public void appletResize(int width, int height) {}
    }

    static nextpics appletWith(String page, String next) throws Exception {
        return appletWithBase(new URL(origin + page), next);
    }

    static nextpics appletWithBase(URL base, String next) throws Exception {
        Stub stub = new Stub(base);
        if (next != null)
            stub.parameters.put("next", next);
        nextpics applet = newApplet();
        applet.setStub(stub);
        applet.init();
        return applet;
    }

    // Applet's constructor refuses to run without a display, and the build machines have none.
    // The applet sets nothing up in a constructor and touches no part of its panel, so an
    // instance made without running constructors behaves as one made by the browser.
    static nextpics newApplet() throws Exception {
        if (!GraphicsEnvironment.isHeadless())
            return new nextpics();
        Class<?> unsafeClass = Class.forName("sun.misc.Unsafe");
        Field field = unsafeClass.getDeclaredField("theUnsafe");
        field.setAccessible(true);
        Object unsafe = field.get(null);
        Method allocate = unsafeClass.getMethod("allocateInstance", Class.class);
        return (nextpics) allocate.invoke(unsafe, nextpics.class);
    }

    // ---- checking and waiting

    static void check(String what, boolean ok) {
        if (ok) {
            passed++;
        } else {
            failed++;
            System.out.println("FAILED: " + what);
        }
    }

    // True when, from index from on, the server saw exactly these paths in this order (within
    // five seconds).
    static boolean waitForRequests(int from, String... paths) throws InterruptedException {
        List<String> expected = Arrays.asList(paths);
        boolean ok = waitUntil(() -> requests.size() >= from + paths.length, 5000);
        pause(100);
        List<String> seen = since(from);
        if (!ok || !seen.equals(expected))
            System.out.println("  expected requests " + expected + ", got " + seen);
        return ok && seen.equals(expected);
    }

    // The paths the server saw from index from on.
    static List<String> since(int from) {
        synchronized (requests) {
            return new ArrayList<>(requests.subList(from, requests.size()));
        }
    }

    static boolean waitUntil(BooleanSupplier condition, long timeoutMs) throws InterruptedException {
        long end = System.currentTimeMillis() + timeoutMs;
        while (!condition.getAsBoolean()) {
            if (System.currentTimeMillis() > end)
                return false;
            Thread.sleep(20);
        }
        return true;
    }

    static void pause(long ms) throws InterruptedException {
        Thread.sleep(ms);
    }

    static int fetchThreads() {
        int count = 0;
        for (Thread thread : Thread.getAllStackTraces().keySet())
            if (thread.getName().equals(THREAD_NAME) && thread.isAlive())
                count++;
        return count;
    }

    static Thread fetchThread() {
        for (Thread thread : Thread.getAllStackTraces().keySet())
            if (thread.getName().equals(THREAD_NAME))
                return thread;
        return null;
    }
}
