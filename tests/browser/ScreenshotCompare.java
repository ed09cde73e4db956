// Compares two screenshots pixel by pixel.
// Usage: java -cp <folder of this class> ScreenshotCompare <a.png> <b.png>
// Prints "<width>x<height> <differing pixels> <pixels of the first that are not white>", or
// "sizes differ: ..." and exits with 1 when the two pictures are not the same size.

import java.awt.image.BufferedImage;
import java.io.File;
import javax.imageio.ImageIO;

public class ScreenshotCompare {
    public static void main(String[] args) throws Exception {
        BufferedImage a = ImageIO.read(new File(args[0]));
        BufferedImage b = ImageIO.read(new File(args[1]));
        if (a.getWidth() != b.getWidth() || a.getHeight() != b.getHeight()) {
            System.out.println("sizes differ: " + a.getWidth() + "x" + a.getHeight() + " and "
                               + b.getWidth() + "x" + b.getHeight());
            System.exit(1);
        }
        long differing = 0;
        long inked = 0;
        for (int y = 0; y < a.getHeight(); y++) {
            for (int x = 0; x < a.getWidth(); x++) {
                int pixel = a.getRGB(x, y);
                if (pixel != b.getRGB(x, y))
                    differing++;
                if ((pixel & 0xffffff) != 0xffffff)
                    inked++;
            }
        }
        System.out.println(a.getWidth() + "x" + a.getHeight() + " " + differing + " " + inked);
    }
}
