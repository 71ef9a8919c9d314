; Times "4. Draw Path" on a styled path against a plain Script-Fu program
; making the same GIMP calls (path to selection, bucket fill, stroke) on the
; same path, in one GIMP session, and prints both and their ratio. Loaded
; after tests/e2e/qvtest.scm, whose path helpers it uses.

(define (qv-bench-now)
  (let ((t (gettimeofday))) (+ (car t) (/ (cadr t) 1000000.0))))

(define (qv-bench-repeat n thunk)
  (thunk)  ; warm-up: first calls load brushes and start the plug-in
  (let ((start (qv-bench-now)))
    (let loop ((i 0)) (if (< i n) (begin (thunk) (loop (+ i 1)))))
    (/ (- (qv-bench-now) start) n)))

(define (qv-bench-draw n report-file)
  (let* ((image (car (gimp-image-new 640 480 RGB)))
         (layer (car (gimp-layer-new image 640 480 RGBA-IMAGE "Background" 100 LAYER-MODE-NORMAL)))
         (path (begin (gimp-image-insert-layer image layer 0 -1)
                      (gimp-drawable-fill layer FILL-WHITE)
                      (qv-add-square image "Square" 100 100 200))))
    (gimp-context-set-brush "2. Hardness 100")
    (gimp-context-set-brush-size 5)
    (plug-in-qv-path-set-style-attribute image "Square" "fill" "255 0 0")
    (plug-in-qv-path-set-style-attribute image "Square" "stroke" "0 0 255")
    (plug-in-qv-path-set-style-attribute image "Square" "stroke-brush" "2. Hardness 100")
    (gimp-image-set-active-vectors image path)
    (let* ((suite (qv-bench-repeat n (lambda () (plug-in-qv-path-draw-current 2 image layer 0.5))))
           (plain (qv-bench-repeat n (lambda ()
                                      (gimp-context-push)
                                      (gimp-image-select-item image CHANNEL-OP-REPLACE path)
                                      (gimp-context-set-background '(255 0 0))
                                      (gimp-edit-bucket-fill layer BG-BUCKET-FILL LAYER-MODE-NORMAL-LEGACY 100 0 FALSE 0 0)
                                      (gimp-selection-none image)
                                      (gimp-context-set-foreground '(0 0 255))
                                      (gimp-context-set-brush "2. Hardness 100")
                                      (gimp-edit-stroke-vectors layer path)
                                      (gimp-context-pop))))
           (overhead (qv-bench-call-overhead n))
           (port (open-output-file report-file)))
      (display (string-append "draw-current (suite): " (number->string (* 1000 suite)) " ms per draw\n") port)
      (display (string-append "plain Script-Fu:      " (number->string (* 1000 plain)) " ms per draw\n") port)
      (display (string-append "ratio suite / plain:  " (number->string (/ suite plain)) "\n") port)
      (display (string-append "of which any plug-in call costs: " (number->string (* 1000 overhead))
                              " ms (process start and protocol)\n") port)
      (display (string-append "ratio without that fixed cost: "
                              (number->string (/ (- suite overhead) plain)) "\n") port)
      (close-output-port port))
    (gimp-image-delete image)))

; The fixed cost of running any plug-in procedure (process start and
; protocol), measured with the suite's cheapest procedure.
(define (qv-bench-call-overhead n)
  (let* ((image (car (gimp-image-new 64 64 RGB)))
         (path (qv-add-square image "Square" 1 1 10))
         (t (qv-bench-repeat n (lambda () (plug-in-qv-path-get-style-attribute image "Square" "stroke")))))
    (gimp-image-delete image)
    t))
