; Renders the keysplines of an image at evenly spaced values of t: for each
; frame a copy of the background gets every keyspline drawn on it through
; plug-in-qv-path-draw and is saved as frame_000.png, frame_001.png, ...
;
; (qv-render-keysplines "examples/animation.xcf" "out/demo/frames" 25 "out/demo/frames.txt")

(define (qv-keyspline-names image)
  (let loop ((paths (vector->list (cadr (gimp-image-get-vectors image)))) (out '()))
    (if (null? paths) (reverse out)
        (let ((name (car (gimp-item-get-name (car paths)))))
          (loop (cdr paths)
                (if (and (> (string-length name) 1) (string=? (substring name 0 2) "[@")) (cons name out) out))))))

(define (qv-frame-name folder index)
  (let ((digits (number->string index)))
    (string-append folder "/frame_" (substring "000" 0 (max 0 (- 3 (string-length digits)))) digits ".png")))

(define (qv-render-keysplines xcf folder frames report-file)
  (let* ((report (open-output-file report-file))
         (image (car (gimp-xcf-load 0 xcf xcf)))
         (background (car (gimp-image-get-active-layer image)))
         (names (qv-keyspline-names image)))
    (let loop ((i 0))
      (if (< i frames)
          (let* ((t (/ i (- frames 1.0)))
                 (frame (car (gimp-layer-copy background FALSE)))
                 (file (qv-frame-name folder i)))
            (gimp-image-insert-layer image frame 0 0)
            (for-each (lambda (name)
                        (gimp-image-set-active-layer image frame)
                        (plug-in-qv-path-draw image name t))
                      names)
            (file-png-save2 RUN-NONINTERACTIVE image frame file file 0 9 0 0 0 0 0 0 0)
            (gimp-image-remove-layer image frame)
            (display file report)
            (newline report)
            (loop (+ i 1)))))
    (gimp-image-delete image)
    (close-output-port report)))
