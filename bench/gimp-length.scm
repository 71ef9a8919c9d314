; Path lengths measured by GIMP itself (gimp-vectors-stroke-get-length) and
; by the suite (plug-in-qv-path-get-length) on the same curves, in one GIMP
; session, with the time per call of each. Loaded by bench/gimp-length.sh.

(define qv-kappa 0.5522847498)

(define (qv-now)
  (let ((tv (gettimeofday)))
    (+ (* 1000.0 (car tv)) (/ (cadr tv) 1000.0))))

; Arc length of one cubic (8 coordinates) by composite Simpson on |B'(t)|.
(define (qv-bezier-length x0 y0 x1 y1 x2 y2 x3 y3)
  (define (speed t)
    (let* ((u (- 1 t))
           (a (* 3 u u)) (b (* 6 u t)) (c (* 3 t t))
           (dx (+ (* a (- x1 x0)) (* b (- x2 x1)) (* c (- x3 x2))))
           (dy (+ (* a (- y1 y0)) (* b (- y2 y1)) (* c (- y3 y2)))))
      (sqrt (+ (* dx dx) (* dy dy)))))
  (let loop ((i 1) (sum (+ (speed 0) (speed 1))))
    (if (= i 2000)
        (/ sum 6000.0)
        (loop (+ i 1) (+ sum (* (if (odd? i) 4 2) (speed (/ i 2000.0))))))))

(define (qv-bezier-circle-length r)
  (let ((k (* qv-kappa r)))
    (* 4 (qv-bezier-length r 0 r k k r 0 r))))

; GIMP control points (in-handle, anchor, out-handle per anchor) of a closed
; circle of four Bezier quarters around (cx, cy).
(define (qv-circle-points cx cy r)
  (let ((k (* qv-kappa r)))
    (list (+ cx r) (- cy k)  (+ cx r) cy        (+ cx r) (+ cy k)
          (+ cx k) (+ cy r)  cx (+ cy r)        (- cx k) (+ cy r)
          (- cx r) (+ cy k)  (- cx r) cy        (- cx r) (- cy k)
          (- cx k) (- cy r)  cx (- cy r)        (+ cx k) (- cy r))))

; An open wave of n S-shaped segments, 40 px apart, swinging 30 px.
(define (qv-wave-points n)
  (let loop ((i 0) (acc '()))
    (if (> i n)
        (reverse acc)
        (let* ((x (* 40.0 i))
               (y (if (odd? i) 130.0 100.0))
               (s (if (odd? i) 15.0 -15.0)))
          (loop (+ i 1)
                (append (list (+ y s) (+ x 15) y x (+ y s) (- x 15)) acc))))))

(define (qv-add-path image name points closed)
  (let ((v (car (gimp-vectors-new image name)))
        (n (length points)))
    (gimp-vectors-stroke-new-from-points v 0 n (list->vector points) closed)
    (gimp-image-insert-vectors image v 0 -1)
    v))

; Runs thunk `times` times; returns (last-result . milliseconds-per-call).
(define (qv-timed times thunk)
  (let ((start (qv-now)))
    (let loop ((i 1) (result (thunk)))
      (if (< i times)
          (loop (+ i 1) (thunk))
          (cons result (/ (- (qv-now) start) times))))))

(define (qv-suite-args image name)
  ; The measuring procedures take (image pathName); accept a leading run mode too.
  (if (string=? (cadr (gimp-procedural-db-proc-arg "plug-in-qv-path-get-length" 0)) "run-mode")
      (list RUN-NONINTERACTIVE image name)
      (list image name)))

(define (qv-bench-length report-file)
  (let* ((image (car (gimp-image-new 2400 2400 RGB)))
         (suite? (= 1 (car (gimp-procedural-db-proc-exists "plug-in-qv-path-get-length"))))
         (port (open-output-file report-file))
         (cases (list (list "circle r=100" (qv-circle-points 1200 1200 100) TRUE
                            (qv-bezier-circle-length 100))
                      (list "circle r=1000" (qv-circle-points 1200 1200 1000) TRUE
                            (qv-bezier-circle-length 1000))
                      (list "wave 1000 segments" (qv-wave-points 1000) FALSE #f))))
    (define (say . items)
      (for-each (lambda (x) (display (if (number? x) (number->string x) x) port)) items)
      (newline port))
    (say "precision of gimp-vectors-stroke-get-length: 0.01")
    (if (not suite?)
        (say "plug-in-qv-path-get-length: unavailable (not registered)"))
    (for-each
     (lambda (c)
       (let* ((name (car c))
              (v (qv-add-path image name (cadr c) (caddr c)))
              (stroke (aref (cadr (gimp-vectors-get-strokes v)) 0))
              (gimp (qv-timed 20 (lambda ()
                                   (car (gimp-vectors-stroke-get-length v stroke 0.01))))))
         (say name ":")
         (if (cadddr c) (say "  Bezier curve (numeric integral): " (cadddr c)))
         (say "  GIMP:  " (car gimp) "  (" (cdr gimp) " ms per call)")
         (if suite?
             (let ((suite (qv-timed 5 (lambda ()
                                        (car (apply plug-in-qv-path-get-length
                                                    (qv-suite-args image name)))))))
               (say "  suite: " (car suite) "  (" (cdr suite) " ms per call, plug-in start included)")))))
     cases)
    (close-output-port port)
    (gimp-image-delete image)))
