// A small HTTP server for the browser test: serves the files under one folder on the loopback
// address and logs every request, so that the test can tell what the browser fetched and when.
//
// Usage: java -cp <folder of this class> PageServer <site folder> <log file> <port file> <seconds>
//
// Log lines: "<ms> GET <path>" when a request arrives and "<ms> ANSWER <path>" when its answer
// starts, <ms> counted from the server's start. Files whose name begins with "slow" are answered
// after a second, which holds the page's load event back. The server writes its port to the port
// file once it listens and ends by itself after the given number of seconds.

import com.sun.net.httpserver.HttpExchange;
import com.sun.net.httpserver.HttpServer;

import java.io.File;
import java.io.FileWriter;
import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintWriter;
import java.net.InetSocketAddress;
import java.nio.file.Files;
import java.nio.file.StandardCopyOption;
import java.util.concurrent.Executors;

public class PageServer {
    static File root;
    static PrintWriter log;
    static final long started = System.currentTimeMillis();

    public static void main(String[] args) throws Exception {
        root = new File(args[0]).getCanonicalFile();
        log = new PrintWriter(new FileWriter(args[1]), true);
        int lifetimeSeconds = Integer.parseInt(args[3]);

        HttpServer server = HttpServer.create(new InetSocketAddress("127.0.0.1", 0), 0);
        server.createContext("/", PageServer::serve);
        server.setExecutor(Executors.newCachedThreadPool());
        server.start();

        File portFile = new File(args[2]);
        File partial = new File(args[2] + ".part");
        Files.write(partial.toPath(), Integer.toString(server.getAddress().getPort()).getBytes());
        Files.move(partial.toPath(), portFile.toPath(), StandardCopyOption.ATOMIC_MOVE);

        Thread.sleep(lifetimeSeconds * 1000L);
        System.exit(0);
    }

    static synchronized void note(String what, String path) {
        log.println((System.currentTimeMillis() - started) + " " + what + " " + path);
    }

    static void serve(HttpExchange exchange) throws IOException {
        String path = exchange.getRequestURI().getPath();
        note("GET", path);
        try {
            File file = new File(root, path).getCanonicalFile();
            boolean inside = file.getPath().startsWith(root.getPath() + File.separator);
            if (!inside || !file.isFile()) {
                exchange.sendResponseHeaders(404, -1);
                return;
            }
            if (file.getName().startsWith("slow"))
                Thread.sleep(1000);
            byte[] body = Files.readAllBytes(file.toPath());
            note("ANSWER", path);
            exchange.getResponseHeaders().set("Content-Type", contentType(file.getName()));
            exchange.getResponseHeaders().set("Cache-Control", "max-age=600");
            exchange.sendResponseHeaders(200, body.length);
            OutputStream out = exchange.getResponseBody();
            out.write(body);
            out.close();
        } catch (InterruptedException e) {
            exchange.sendResponseHeaders(500, -1);
        } finally {
            exchange.close();
        }
    }

    static String contentType(String name) {
        if (name.endsWith(".html") || name.endsWith(".htm"))
            return "text/html";
        if (name.endsWith(".gif"))
            return "image/gif";
        if (name.endsWith(".mid"))
            return "audio/midi";
        return "application/octet-stream";
    }
}
