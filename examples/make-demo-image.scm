; Builds the bundled example image examples/demo.xcf (and the picture
; examples/sun.png that one of its paths places). Each path carries a style
; of another family. Run through tools/make-demo-image.sh.

(define (qv-demo-path image name closed anchors)
  ; anchors: x y pairs; every anchor is its own handle
  (let* ((v (car (gimp-vectors-new image name)))
         (cps (let loop ((a anchors) (out '()))
                (if (null? a) (reverse out)
                    (loop (cddr a) (append (list (cadr a) (car a) (cadr a) (car a) (cadr a) (car a)) out))))))
    (gimp-vectors-stroke-new-from-points v 0 (length cps) (list->vector cps) closed)
    (gimp-image-insert-vectors image v 0 -1)
    v))

(define (qv-demo-curve image name closed cps)
  ; cps: control points as GIMP wants them (in-handle, anchor, out-handle)
  (let ((v (car (gimp-vectors-new image name))))
    (gimp-vectors-stroke-new-from-points v 0 (length cps) (list->vector cps) closed)
    (gimp-image-insert-vectors image v 0 -1)
    v))

(define (qv-demo-style image path style)
  (for-each (lambda (pair) (plug-in-qv-path-set-style-attribute image path (car pair) (cadr pair))) style))

(define (qv-demo-sun file)
  (let* ((image (car (gimp-image-new 64 64 RGB)))
         (layer (car (gimp-layer-new image 64 64 RGBA-IMAGE "sun" 100 LAYER-MODE-NORMAL))))
    (gimp-image-insert-layer image layer 0 -1)
    (gimp-drawable-fill layer FILL-TRANSPARENT)
    (gimp-context-set-foreground '(255 190 0))
    (gimp-image-select-ellipse image CHANNEL-OP-REPLACE 4 4 56 56)
    (gimp-edit-fill layer FILL-FOREGROUND)
    (gimp-selection-none image)
    (file-png-save2 RUN-NONINTERACTIVE image layer file file 0 9 0 0 0 0 0 0 0)
    (gimp-image-delete image)))

(define (qv-make-demo-image folder)
  (let* ((sun (string-append folder "/sun.png"))
         (xcf (string-append folder "/demo.xcf"))
         (image (car (gimp-image-new 640 400 RGB)))
         (layer (car (gimp-layer-new image 640 400 RGBA-IMAGE "Background" 100 LAYER-MODE-NORMAL))))
    (qv-demo-sun sun)
    (gimp-image-insert-layer image layer 0 -1)
    (gimp-context-set-foreground '(235 240 250))
    (gimp-drawable-fill layer FILL-FOREGROUND)

    ; colour fill and a stroke with a brush
    (qv-demo-curve image "Disc" TRUE
                   '(84 35 117 35 150 35  177 62 177 95 177 128  150 155 117 155 84 155  57 128 57 95 57 62))
    (qv-demo-style image "Disc" '(("fill" "40 120 220") ("stroke" "10 40 90")
                                  ("stroke-brush" "2. Hardness 100") ("stroke-size" "6") ("opacity" "90")))
    ; a pattern fill, turned by 30 degrees about the box's centre
    (qv-demo-path image "Box" TRUE '(240 40 360 40 360 160 240 160))
    (qv-demo-style image "Box" '(("fill-pattern" "Pine") ("rotate-at" "30 300 100")
                                 ("stroke" "60 40 20") ("stroke-brush" "2. Hardness 100") ("stroke-size" "6")))
    ; a gradient along a line
    (qv-demo-path image "Band" TRUE '(400 40 610 40 610 160 400 160))
    (qv-demo-style image "Band" '(("fill-gradient" "FG to BG (RGB)") ("gradient-fg" "255 60 0")
                                  ("gradient-bg" "255 230 0") ("gradient-line" "400 100 610 100")))
    ; a wavy line with a marker at its end
    (qv-demo-curve image "Wave" FALSE
                   '(30 330 30 330 110 260  190 330 190 330 190 330  190 330 270 385 350 300  350 300 350 300 350 300))
    (qv-demo-path image "Arrow" TRUE '(0 0 12 -24 -12 -24))
    (qv-demo-style image "Arrow" '(("fill" "200 30 30") ("marker-offsets" "0 0")))
    (qv-demo-style image "Wave" '(("stroke" "200 30 30") ("stroke-brush" "2. Hardness 100")
                                  ("stroke-size" "6") ("marker-end" "Arrow")))
    ; a text set along the wave
    (qv-demo-path image "\"along the wave\"" FALSE '(30 300 40 300 40 330 50 330))
    (qv-demo-style image "\"along the wave\"" '(("text-path" "Wave") ("font-name" "DejaVu Sans")
                                                ("font-size" "22") ("fill" "20 20 60")
                                                ("letter-spacing" "5") ("yalign" "0.2")))
    ; a placed picture, keeping its aspect ratio
    (qv-demo-path image "Sun" FALSE '(420 200 600 380))
    (qv-demo-style image "Sun" '(("image" "sun.png") ("image-original-size" "64 64")))
    (gimp-image-set-active-layer image layer)
    (gimp-xcf-save 0 image layer xcf xcf)
    (gimp-image-delete image)))
