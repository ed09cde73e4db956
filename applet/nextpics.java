// The preload applet that addNextpics names at the end of every prepared page. It fetches the
// next page and that page's streams in the background, so that they are in the cache when the
// reader moves on; the page's own script loads the next page's images.
//
// The page hands over one parameter, next: the next page, then its streams, separated by ";",
// each relative to this page unless it is a full address. The page's script calls next() once
// for each image it loads; the fetch also starts by itself when the browser starts the applet.
//
// Everything lives in this one class, without inner or anonymous classes, because addNextpics
// copies nothing but nextpics.class beside each page.

import java.applet.Applet;
import java.io.IOException;
import java.io.InputStream;
import java.net.HttpURLConnection;
import java.net.MalformedURLException;
import java.net.URL;
import java.net.URLConnection;

public class nextpics extends Applet implements Runnable {
    private static final long serialVersionUID = 1L;

    // A server that does not answer, or stops sending, costs the background thread no more than
    // this; the page itself never waits for it.
    private static final int CONNECT_TIMEOUT_MS = 10000;
    private static final int READ_TIMEOUT_MS = 15000;

    // The addresses to fetch, read from the parameter on first use, and how many of them are
    // done. An address that a stop() cut short is not counted, so a later start() fetches it
    // again, while finished ones are never fetched twice. Fields keep their default values until
    // first use: the applet has no constructor of its own.
    private URL[] addresses;
    private int done;

    // The running fetch thread, or null. A thread that finds itself no longer named here has been
    // stopped and ends.
    private Thread worker;
    // The connection being read, so that stop() can close it under a blocked read.
    private URLConnection reading;

    // The browser starts the applet once the page is shown (and again when the reader comes back
    // to it): start fetching.
    public void start() {
        begin();
    }

    // Called by the page's script once for each image of the next page. It only makes sure that
    // the fetch is running and returns at once.
    public void next() {
        begin();
    }

    // The reader has left the page: end the fetch now, also in the middle of a read.
    public void stop() {
        Thread thread;
        URLConnection connection;
        synchronized (this) {
            thread = worker;
            connection = reading;
            worker = null;
            reading = null;
        }
        if (thread != null)
            thread.interrupt();
        close(connection);
    }

    public void destroy() {
        stop();
    }

    // Starts the fetch thread unless it runs already or there is nothing left to fetch.
    private synchronized void begin() {
        if (addresses == null)
            addresses = readAddresses();
        if (worker != null || done >= addresses.length)
            return;
        worker = new Thread(this, "nextpics preload");
        worker.setDaemon(true);
        worker.setPriority(Thread.MIN_PRIORITY);
        worker.start();
    }

    // The fetch thread: reads each address that is not yet done, one after another.
    public void run() {
        Thread self = Thread.currentThread();
        while (true) {
            URL address;
            synchronized (this) {
                if (worker != self)
                    return;
                if (done >= addresses.length) {
                    worker = null;
                    return;
                }
                address = addresses[done];
            }
            fetch(self, address);
            synchronized (this) {
                if (worker != self)
                    return;  // stopped: this address counts as not done
                done++;
            }
        }
    }

    // Reads one address to its end and throws the bytes away: all that matters is that the
    // browser's cache now holds them. A failure only ends this address.
    private void fetch(Thread self, URL address) {
        URLConnection connection = null;
        InputStream in = null;
        try {
            connection = address.openConnection();
            connection.setConnectTimeout(CONNECT_TIMEOUT_MS);
            connection.setReadTimeout(READ_TIMEOUT_MS);
            connection.setUseCaches(true);
            synchronized (this) {
                if (worker != self)
                    return;
                reading = connection;
            }
            in = connection.getInputStream();
            byte[] buffer = new byte[4096];
            while (!self.isInterrupted() && in.read(buffer) >= 0) {
                // Nothing to keep: the bytes only pass through the cache.
            }
        } catch (IOException e) {
            // Unreachable, missing or closed by stop(): go on with the next address.
        } catch (RuntimeException e) {
            // A sandbox that refuses another host, or an address the protocol handler rejects.
        } finally {
            synchronized (this) {
                if (reading == connection)
                    reading = null;
            }
            if (in != null) {
                try {
                    in.close();
                } catch (IOException e) {
                    // Nothing more to do with this address.
                }
            }
        }
    }

    // Closes a connection that another thread may be reading from; HTTP connections drop their
    // socket, which ends a blocked read at once.
    private static void close(URLConnection connection) {
        if (connection instanceof HttpURLConnection)
            ((HttpURLConnection) connection).disconnect();
    }

    // The addresses in the parameter next, resolved against the page. Empty entries, addresses
    // that do not parse and addresses that are not fetched over HTTP are left out: a page opened
    // from disk has no cache to fill.
    private URL[] readAddresses() {
        String value = parameter("next");
        URL base = documentBase();
        if (value == null)
            return new URL[0];
        String[] names = value.split(";");
        URL[] found = new URL[names.length];
        int count = 0;
        for (int i = 0; i < names.length; i++) {
            String name = names[i].trim();
            if (name.length() == 0)
                continue;
            URL address;
            try {
                address = base != null ? new URL(base, name) : new URL(name);
            } catch (MalformedURLException e) {
                continue;
            }
            String protocol = address.getProtocol();
            if (protocol.equals("http") || protocol.equals("https"))
                found[count++] = address;
        }
        URL[] result = new URL[count];
        System.arraycopy(found, 0, result, 0, count);
        return result;
    }

    // The applet's parameter, or null when there is none or the applet has no stub to ask.
    private String parameter(String name) {
        try {
            return getParameter(name);
        } catch (RuntimeException e) {
            return null;
        }
    }

    private URL documentBase() {
        try {
            return getDocumentBase();
        } catch (RuntimeException e) {
            return null;
        }
    }
}
