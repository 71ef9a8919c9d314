; Demo: draws every styled path of the bundled example image with "4. Draw
; Path" on its background layer and saves the result as a PNG.
;
; (qv-demo-draw "examples/demo.xcf" "out/demo/styled.png" "out/demo/report.txt")

(define (qv-demo-draw xcf png report-file)
  (let* ((report (open-output-file report-file))
         (say (lambda parts (for-each (lambda (p) (display p report)) parts) (newline report)))
         (image (car (gimp-xcf-load 0 xcf xcf)))
         (layer (car (gimp-image-get-active-layer image)))
         (paths (vector->list (cadr (gimp-image-get-vectors image)))))
    (say "Loaded " xcf " with " (length paths) " paths.")
    (for-each
     (lambda (path)
       (let ((name (car (gimp-item-get-name path))))
         ; "Arrow" is the end marker of "Wave": it is drawn through the wave.
         (if (not (string=? name "Arrow"))
             (begin
               (gimp-image-set-active-vectors image path)
               (gimp-image-set-active-layer image layer)
               (plug-in-qv-path-draw-current 2 image layer 0.5)
               (say "Drew \"" name "\" with its style: "
                    (let ((p (gimp-image-get-parasite image (string-append "qv-style-for-path-"
                                                                          (number->string (car (gimp-item-get-tattoo path)))))))
                      (caddr (car p))))))))
     (reverse paths))
    (let ((flat (car (gimp-image-flatten image))))
      (file-png-save2 RUN-NONINTERACTIVE image flat png png 0 9 0 0 0 0 0 0 0))
    (say "Saved the drawing as " png ".")
    (gimp-image-delete image)
    (close-output-port report)))
